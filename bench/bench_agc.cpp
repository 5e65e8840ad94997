// Leveller cost: seconds of stereo audio at 48 kHz processed per CPU second ("rtf"), with
// music-like programme and after a minute of digital silence that follows music (the decays of
// the filters and detectors must not end in slow subnormal arithmetic).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "agc/agc.h"

namespace {

constexpr double SR = 48000;
constexpr int BLOCCO = 256;

// Argument 0: the engine defaults. 1: every filter and the look-ahead in use.
agc::Params impostazioni(std::int64_t tutto) {
    agc::Params p;
    if (tutto != 0) {
        p.ant = 20;
        p.slope = 3;
        p.sub = 4;
        p.boom = -4;
    }
    return p;
}

// Ten seconds of noise coloured towards the bass, with a slow swell of 20 dB and a different mix in
// the two channels.
struct Musica {
    std::vector<float> l, r;
    Musica() : l(static_cast<std::size_t>(SR) * 10), r(l.size()) {
        std::uint32_t seme = 99;
        double basso[2] = {0, 0};
        for (std::size_t i = 0; i < l.size(); ++i) {
            const double onda = std::pow(10.0, (-20 + 10 * std::sin(double(i) / SR * 1.3)) / 20);
            for (double& b : basso) {
                seme = seme * 1664525u + 1013904223u;
                b += 0.02 * (((seme >> 8) / 16777216.0 * 2 - 1) - b);
            }
            seme = seme * 1664525u + 1013904223u;
            const double bianco = (seme >> 8) / 16777216.0 * 2 - 1;
            l[i] = static_cast<float>(onda * (4 * basso[0] + 0.3 * bianco));
            r[i] = static_cast<float>(onda * (4 * basso[1] - 0.2 * bianco));
        }
    }
};

const Musica& musica() {
    static const Musica m;
    return m;
}

// Plays `blocchi` blocks of the programme, or of silence, through the stage.
void suona(agc::Agc& a, long blocchi, bool silenzio, std::size_t& pos) {
    const Musica& m = musica();
    float l[BLOCCO], r[BLOCCO];
    for (long k = 0; k < blocchi; ++k) {
        for (int i = 0; i < BLOCCO; ++i) {
            l[i] = silenzio ? 0.0f : m.l[pos];
            r[i] = silenzio ? 0.0f : m.r[pos];
            pos = pos + 1 < m.l.size() ? pos + 1 : 0;
        }
        a.process(l, r, BLOCCO);
        benchmark::DoNotOptimize(l);
        benchmark::DoNotOptimize(r);
    }
}

void riporta(benchmark::State& stato) {
    stato.counters["rtf"] = benchmark::Counter(
        static_cast<double>(stato.iterations()) * BLOCCO / SR, benchmark::Counter::kIsRate);
}

void BM_musica(benchmark::State& stato) {
    agc::Progetto p = agc::progetta(impostazioni(stato.range(0)), SR);
    agc::Agc a;
    a.adotta(p);
    std::size_t pos = 0;
    for (auto _ : stato) suona(a, 1, false, pos);
    riporta(stato);
}

void BM_dopoUnMinutoDiSilenzio(benchmark::State& stato) {
    agc::Progetto p = agc::progetta(impostazioni(stato.range(0)), SR);
    agc::Agc a;
    a.adotta(p);
    std::size_t pos = 0;
    suona(a, static_cast<long>(5 * SR / BLOCCO), false, pos);
    suona(a, static_cast<long>(60 * SR / BLOCCO), true, pos);
    for (auto _ : stato) suona(a, 1, true, pos);
    riporta(stato);
}

}  // namespace

BENCHMARK(BM_musica)->Arg(0)->Arg(1);
BENCHMARK(BM_dopoUnMinutoDiSilenzio)->Arg(0)->Arg(1);
