// The final stage alone, and its limiter's window minimum against a scan of the whole window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "archivio.h"
#include "max/max.h"

namespace {

void rumore(std::vector<float>& v, std::uint32_t s) {
    for (auto& x : v) {
        s = s * 1664525u + 1013904223u;
        x = static_cast<float>(((s >> 8) / double(1u << 24) * 2 - 1) * 0.9);
    }
}

omax::Params impostazioni(int modo) {
    velmora::Parametri p;
    if (modo >= 1) p["x_radio"] = 1;
    if (modo >= 2)
        p = {{"x_radio", 1},   {"x_rot", 4},    {"x_shape", 40}, {"x_arm", 6},  {"x_mafix", -1.5},
             {"x_madin", -3},  {"x_bsfix", -1}, {"x_bsdin", -3}, {"x_bcdb", 4}, {"x_spazio", 40},
             {"x_top", 16000}, {"x_pre", 50},   {"x_hfdb", -4},  {"x_clip", 3}, {"x_in", 3}};
    if (modo == 3) p["x_radio"] = 0;
    return omax::leggi(velmora::Archivio(p));
}

// Arguments: 0 listening defaults, 1 broadcast defaults, 2 broadcast with every block on, 3 the
// same keys in listening mode; rate.
void BM_Max(benchmark::State& stato) {
    const auto sr = static_cast<double>(stato.range(1));
    omax::Max m;
    auto pr = omax::progetta(impostazioni(static_cast<int>(stato.range(0))), sr);
    m.adotta(pr);
    m.azzera();
    const std::size_t n = 256;
    std::vector<float> sorgL(48000), sorgR(48000), l(n), r(n);
    rumore(sorgL, 1);
    rumore(sorgR, 2);
    std::size_t i = 0;
    for (auto _ : stato) {
        std::copy_n(sorgL.begin() + static_cast<std::ptrdiff_t>(i), n, l.begin());
        std::copy_n(sorgR.begin() + static_cast<std::ptrdiff_t>(i), n, r.begin());
        m.process(l.data(), r.data(), static_cast<int>(n));
        benchmark::DoNotOptimize(l.data());
        i = i + 2 * n > sorgL.size() ? 0 : i + n;
    }
    stato.counters["tempo_reale"] =
        benchmark::Counter(static_cast<double>(n) / sr * static_cast<double>(stato.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Max)->ArgsProduct({{0, 1, 2, 3}, {48000, 192000}})->ArgNames({"modo", "sr"});

// The window of required gains: running minimum (as the stage does it) or a scan of all N.
// Argument: N.
void BM_MinimoScorrevole(benchmark::State& stato) {
    const auto N = static_cast<std::int32_t>(stato.range(0));
    omax::Params p = impostazioni(1);
    p.ant = N * 1000.0 / 48000;
    omax::Max m;
    auto pr = omax::progetta(p, 48000);
    m.adotta(pr);
    m.azzera();
    std::vector<float> l(256), r(256);
    rumore(l, 3);
    rumore(r, 4);
    for (auto& x : l) x *= 2;
    for (auto _ : stato) {
        std::vector<float> a = l, b = r;
        m.process(a.data(), b.data(), 256);
        benchmark::DoNotOptimize(a.data());
    }
}
BENCHMARK(BM_MinimoScorrevole)->Arg(480)->Arg(3840);

void BM_MinimoScansione(benchmark::State& stato) {
    const auto N = static_cast<std::size_t>(stato.range(0));
    std::vector<float> anello(N, 1.0f), l(256);
    rumore(l, 3);
    std::size_t pos = 0;
    double g = 1;
    for (auto _ : stato) {
        for (float x : l) {
            const double pk = std::fabs(2.0 * x);
            anello[pos] = pk > 0.89 ? static_cast<float>(0.89 / pk) : 1.0f;
            pos = pos + 1 >= N ? 0 : pos + 1;
            double m = 1;
            for (float v : anello) m = std::min(m, static_cast<double>(v));
            g += (m - g) * 0.004;
        }
        benchmark::DoNotOptimize(g);
    }
}
BENCHMARK(BM_MinimoScansione)->Arg(480)->Arg(3840);

}  // namespace
