// Test signals and measurements shared by the engine tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace segnali {

inline std::vector<float> seno(double f, double sr, int n, double ampiezza = 1.0, int inizio = 0) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] =
            static_cast<float>(ampiezza * std::sin(2 * std::numbers::pi * f * (i + inizio) / sr));
    return v;
}

// Deterministic white noise in [-a, a].
inline std::vector<float> rumore(int n, double a = 0.5, std::uint32_t seme = 12345) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (auto& x : v) {
        seme = seme * 1664525u + 1013904223u;
        x = static_cast<float>(a * ((seme >> 8) / double(1u << 24) * 2 - 1));
    }
    return v;
}

inline double picco(const std::vector<float>& v, std::size_t da = 0) {
    double p = 0;
    for (std::size_t i = da; i < v.size(); ++i) p = std::max(p, std::fabs(double(v[i])));
    return p;
}

inline double db(double x) {
    return 20 * std::log10(std::max(x, 1e-30));
}

inline bool tuttiFiniti(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

}  // namespace segnali
