// The band stage alone, at 48 kHz in blocks of 10 ms: with a busy programme, and after a minute of
// digital silence (which must not cost more: no subnormal slow-down).
// Counter "tempo_reale": seconds of stereo audio processed per CPU second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "mb/mb.h"

namespace {

constexpr double kSr = 48000;
constexpr int kBlocco = 480;

omb::Params impostazioni(int pendenza) {
    omb::Params p;
    p.pend = pendenza >= 36 ? 4 : 2;
    p.lock = true;
    p.str = 2, p.strsog = 6;
    p.sbav = 0.2, p.unione = 0.3, p.lib = 8;
    return p;
}

struct Programma {
    std::vector<float> l, r;
    explicit Programma(std::size_t n) : l(n), r(n) {
        std::mt19937 caso(1);
        std::normal_distribution<double> rumore(0, 0.05);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = double(i) / kSr;
            const double base = 0.3 * std::sin(2 * std::numbers::pi * 55 * t) +
                                0.15 * std::sin(2 * std::numbers::pi * 440 * t) *
                                    (0.5 + 0.5 * std::sin(2 * std::numbers::pi * 2 * t));
            l[i] = static_cast<float>(base + rumore(caso));
            r[i] = static_cast<float>(0.8 * base + rumore(caso));
        }
    }
};

void prepara(omb::Mb& mb, int pendenza) {
    omb::Progetto d = omb::progetta(impostazioni(pendenza), kSr);
    mb.adotta(d);
    mb.azzera();
}

void contatori(benchmark::State& stato) {
    stato.counters["tempo_reale"] = benchmark::Counter(
        static_cast<double>(stato.iterations()) * kBlocco / kSr, benchmark::Counter::kIsRate);
}

void BM_MbMusica(benchmark::State& stato) {
    const int pendenza = static_cast<int>(stato.range(0));
    omb::Mb mb;
    prepara(mb, pendenza);
    const Programma musica(static_cast<std::size_t>(kSr) * 4);
    std::vector<float> l(kBlocco), r(kBlocco);
    std::size_t pos = 0;
    for (auto _ : stato) {
        if (pos + kBlocco > musica.l.size()) pos = 0;
        std::copy_n(musica.l.begin() + static_cast<long>(pos), kBlocco, l.begin());
        std::copy_n(musica.r.begin() + static_cast<long>(pos), kBlocco, r.begin());
        pos += kBlocco;
        mb.process(l.data(), r.data(), kBlocco);
        benchmark::DoNotOptimize(l.data());
        benchmark::DoNotOptimize(r.data());
    }
    contatori(stato);
}

void BM_MbDopoUnMinutoDiSilenzio(benchmark::State& stato) {
    const int pendenza = static_cast<int>(stato.range(0));
    omb::Mb mb;
    prepara(mb, pendenza);
    Programma musica(static_cast<std::size_t>(kSr) * 2);
    mb.process(musica.l.data(), musica.r.data(), static_cast<int>(musica.l.size()));
    std::vector<float> l(kBlocco), r(kBlocco);
    for (int b = 0; b < 60 * 100; ++b) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        mb.process(l.data(), r.data(), kBlocco);
    }
    for (auto _ : stato) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        mb.process(l.data(), r.data(), kBlocco);
        benchmark::DoNotOptimize(l.data());
        benchmark::DoNotOptimize(r.data());
    }
    contatori(stato);
    stato.counters["subnormali"] = mb.contaSubnormali();
}

}  // namespace

BENCHMARK(BM_MbMusica)->Arg(24)->Arg(48);
BENCHMARK(BM_MbDopoUnMinutoDiSilenzio)->Arg(24)->Arg(48);
