// The whole chain through the C interface: seconds of stereo audio per CPU second ("tempo_reale").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "velmora.h"

namespace {

// Keys that switch on every block of the chain.
const std::pair<const char*, double> TUTTO_ACCESO[] = {
    {"g_porta", 5},    {"f_on", 1},      {"f_min", -24},  {"f_max", -16},  {"g_pre", 2},
    {"e_hp", 30},      {"e_lsdb", 2},    {"e_b1db", -2},  {"e_b2db", 1.5}, {"e_b3db", -1},
    {"e_hsdb", 2},     {"e_lp", 18000},  {"a_ant", 20},   {"a_sub", 3},    {"a_boom", -3},
    {"m_str", 2},      {"m_unione", 30}, {"m_acc", 20},   {"m_acc34", 20}, {"m_sbav", 10},
    {"m_limgr", 3},    {"m_lib", 12},    {"x_rot", 4},    {"x_shape", 40}, {"x_arm", 6},
    {"x_mafix", -1.5}, {"x_madin", -3},  {"x_bsfix", -1}, {"x_bsdin", -3}, {"x_bcdb", 4},
    {"x_spazio", 40},  {"x_top", 16000}, {"x_pre", 50},   {"x_hfdb", -4},  {"x_clip", 3},
    {"x_in", 3}};

// One second of pink-ish noise (white noise through a few one-poles), around -15 dBFS RMS.
void rumore(std::vector<float>& l, std::vector<float>& r, std::size_t n) {
    l.resize(n);
    r.resize(n);
    std::uint32_t s = 1234;
    double a = 0, b = 0, c = 0, d = 0;
    for (std::size_t i = 0; i < n; ++i) {
        s = s * 1664525u + 1013904223u;
        const double w = (s >> 8) / double(1u << 24) * 2 - 1;
        a = 0.997 * a + 0.05 * w;
        b = 0.96 * b + 0.15 * w;
        c = 0.6 * c + 0.4 * w;
        d = 0.3 * w;
        l[i] = static_cast<float>((a + b + c + d) * 0.4);
        r[i] = static_cast<float>((a + b - c + d) * 0.4);
    }
}

// Arguments: rate, block size, broadcast mode.
void BM_Catena(benchmark::State& stato) {
    const auto sr = static_cast<double>(stato.range(0));
    const auto blocco = static_cast<std::size_t>(stato.range(1));
    const bool radio = stato.range(2) != 0;
    velmora_distruggi();
    velmora_crea(sr);
    for (const auto& [k, v] : TUTTO_ACCESO) velmora_imposta(k, v);
    velmora_imposta("x_radio", radio ? 1 : 0);

    const auto n = static_cast<std::size_t>(sr);
    std::vector<float> sorgL, sorgR;
    rumore(sorgL, sorgR, n);
    std::vector<float> l(blocco), r(blocco);
    for (auto _ : stato) {
        for (std::size_t i = 0; i + blocco <= n; i += blocco) {
            std::memcpy(l.data(), sorgL.data() + i, blocco * sizeof(float));
            std::memcpy(r.data(), sorgR.data() + i, blocco * sizeof(float));
            velmora_elabora(l.data(), r.data(), static_cast<int>(blocco));
            benchmark::DoNotOptimize(l.data());
            benchmark::DoNotOptimize(r.data());
        }
    }
    const double secondi = static_cast<double>(n / blocco * blocco) / sr;
    stato.counters["tempo_reale"] = benchmark::Counter(
        secondi * static_cast<double>(stato.iterations()), benchmark::Counter::kIsRate);
    stato.SetLabel(radio ? "broadcast" : "listening");
    velmora_distruggi();
}

// The same after three minutes of silence, on silence: filters that decay into subnormal values
// would show here as a much lower figure than with music. Arguments: block size, broadcast mode.
void BM_CatenaDopoSilenzio(benchmark::State& stato) {
    const double sr = 48000;
    const auto blocco = static_cast<std::size_t>(stato.range(0));
    const bool radio = stato.range(1) != 0;
    velmora_distruggi();
    velmora_crea(sr);
    for (const auto& [k, v] : TUTTO_ACCESO) velmora_imposta(k, v);
    velmora_imposta("x_radio", radio ? 1 : 0);
    std::vector<float> sorgL, sorgR;
    rumore(sorgL, sorgR, static_cast<std::size_t>(sr));
    for (std::size_t i = 0; i + blocco <= sorgL.size(); i += blocco)
        velmora_elabora(sorgL.data() + i, sorgR.data() + i, static_cast<int>(blocco));
    std::vector<float> l(blocco), r(blocco);
    const auto n = static_cast<std::size_t>(sr) / blocco;
    for (std::size_t k = 0; k < 180 * n; ++k) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        velmora_elabora(l.data(), r.data(), static_cast<int>(blocco));
    }
    for (auto _ : stato) {
        for (std::size_t k = 0; k < n; ++k) {
            std::fill(l.begin(), l.end(), 0.0f);
            std::fill(r.begin(), r.end(), 0.0f);
            velmora_elabora(l.data(), r.data(), static_cast<int>(blocco));
            benchmark::DoNotOptimize(l.data());
        }
    }
    const double secondi = static_cast<double>(n * blocco) / sr;
    stato.counters["tempo_reale"] = benchmark::Counter(
        secondi * static_cast<double>(stato.iterations()), benchmark::Counter::kIsRate);
    stato.SetLabel(radio ? "broadcast" : "listening");
    velmora_distruggi();
}
BENCHMARK(BM_CatenaDopoSilenzio)
    ->ArgsProduct({{256}, {0, 1}})
    ->ArgNames({"blocco", "radio"})
    ->Unit(benchmark::kMillisecond);

void Argomenti(benchmark::internal::Benchmark* b) {
    for (int radio : {0, 1}) {
        for (int blocco : {64, 256, 1024, 4096}) b->Args({48000, blocco, radio});
        for (int sr : {44100, 96000, 192000}) b->Args({sr, 256, radio});
    }
}

BENCHMARK(BM_Catena)
    ->Apply(Argomenti)
    ->ArgNames({"sr", "blocco", "radio"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
