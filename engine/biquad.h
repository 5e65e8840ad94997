// One second-order section in direct form I, double coefficients and history.
#pragma once

#include <cmath>
#include <numbers>

namespace velmora {

// Coefficients with a0 normalised to 1. Plain data: copied by value into a running section.
struct Coefficienti {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    bool operator==(const Coefficienti&) const = default;
};

struct Biquad {
    Coefficienti c;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    inline double elabora(double x) {
        const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void azzera() { x1 = x2 = y1 = y2 = 0; }
};

// Both channels of a stereo signal in one register: left, right.
typedef double Coppia __attribute__((vector_size(16)));

// Coefficients of a section that runs both channels, each one in both lanes, so that a product
// takes one instruction. Assigned from the plain coefficients.
struct CoefficientiCoppia {
    Coppia b0{1, 1}, b1{}, b2{}, a1{}, a2{};
    CoefficientiCoppia& operator=(const Coefficienti& k) {
        b0 = Coppia{k.b0, k.b0};
        b1 = Coppia{k.b1, k.b1};
        b2 = Coppia{k.b2, k.b2};
        a1 = Coppia{k.a1, k.a1};
        a2 = Coppia{k.a2, k.a2};
        return *this;
    }
};

// The same section on both channels at once. Each lane computes exactly what a Biquad of its own
// would: the same products and sums in the same order.
struct BiquadCoppia {
    CoefficientiCoppia c;
    Coppia x1{}, x2{}, y1{}, y2{};

    inline Coppia elabora(Coppia x) {
        const Coppia y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void azzera() { x1 = x2 = y1 = y2 = Coppia{}; }
    // Clears each channel whose histories have all decayed below soglia (sum of magnitudes).
    void spegni(double soglia) {
        for (int k = 0; k < 2; ++k)
            if (std::fabs(x1[k]) + std::fabs(x2[k]) + std::fabs(y1[k]) + std::fabs(y2[k]) < soglia)
                x1[k] = x2[k] = y1[k] = y2[k] = 0;
    }
};

// Runs buf[0..n) through the sections s[0..m) in order. Sections go in groups of up to three,
// each group over the whole buffer with its histories in locals: the recursions of a group overlap,
// where one section at a time would wait on its own recursion at every sample. Each section sees
// the same samples in the same order as sample by sample, so the result is the same.
template <int K>
inline void passaGruppo(BiquadCoppia* const* s, Coppia* buf, int n) {
    BiquadCoppia t[K];
    for (int k = 0; k < K; ++k) t[k] = *s[k];
    for (int i = 0; i < n; ++i) {
        Coppia y = buf[i];
#pragma GCC unroll 3
        for (int k = 0; k < K; ++k) y = t[k].elabora(y);
        buf[i] = y;
    }
    for (int k = 0; k < K; ++k) *s[k] = t[k];
}

inline void passaCatena(BiquadCoppia* const* s, int m, Coppia* buf, int n) {
    for (; m >= 3; s += 3, m -= 3) passaGruppo<3>(s, buf, n);
    if (m == 2) passaGruppo<2>(s, buf, n);
    if (m == 1) passaGruppo<1>(s, buf, n);
}

// Audio EQ Cookbook designs. w = 2*pi*f/sr; the callers apply their own frequency limits.
namespace ricettario {

inline double omega(double f, double sr) {
    return 2.0 * std::numbers::pi * f / sr;
}

inline Coefficienti passaAlto(double f, double sr, double q) {
    const double w = omega(f, sr), c = std::cos(w), a = std::sin(w) / (2 * q), a0 = 1 + a;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - a) / a0};
}

inline Coefficienti passaBasso(double f, double sr, double q) {
    const double w = omega(f, sr), c = std::cos(w), a = std::sin(w) / (2 * q), a0 = 1 + a;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - a) / a0};
}

// Second-order all-pass: b0 = a2, b1 = a1, b2 = 1.
inline Coefficienti passaTutto(double f, double sr, double q) {
    const double w = omega(f, sr), c = std::cos(w), a = std::sin(w) / (2 * q), a0 = 1 + a;
    return {(1 - a) / a0, -2 * c / a0, 1, -2 * c / a0, (1 - a) / a0};
}

// Peaking bell; gain in dB, q already floored by the caller.
inline Coefficienti campana(double f, double sr, double db, double q) {
    const double A = std::pow(10.0, db / 40), w = omega(f, sr), c = std::cos(w);
    const double a = std::sin(w) / (2 * q), a0 = 1 + a / A;
    return {(1 + a * A) / a0, -2 * c / a0, (1 - a * A) / a0, -2 * c / a0, (1 - a / A) / a0};
}

// Shelves with slope S; S = 1 gives beta = 2*sqrt(A)*(sin w/2)*sqrt(2).
inline double betaScaffale(double A, double s, double pendenza) {
    return 2 * std::sqrt(A) * (s / 2) * std::sqrt((A + 1 / A) * (1 / pendenza - 1) + 2);
}

inline Coefficienti scaffaleBasso(double f, double sr, double db, double pendenza = 1) {
    const double A = std::pow(10.0, db / 40), w = omega(f, sr), c = std::cos(w), s = std::sin(w);
    const double b = betaScaffale(A, s, pendenza);
    const double a0 = (A + 1) + (A - 1) * c + b;
    return {A * ((A + 1) - (A - 1) * c + b) / a0, 2 * A * ((A - 1) - (A + 1) * c) / a0,
            A * ((A + 1) - (A - 1) * c - b) / a0, -2 * ((A - 1) + (A + 1) * c) / a0,
            ((A + 1) + (A - 1) * c - b) / a0};
}

inline Coefficienti scaffaleAlto(double f, double sr, double db, double pendenza = 1) {
    const double A = std::pow(10.0, db / 40), w = omega(f, sr), c = std::cos(w), s = std::sin(w);
    const double b = betaScaffale(A, s, pendenza);
    const double a0 = (A + 1) - (A - 1) * c + b;
    return {A * ((A + 1) + (A - 1) * c + b) / a0, -2 * A * ((A - 1) + (A + 1) * c) / a0,
            A * ((A + 1) + (A - 1) * c - b) / a0, 2 * ((A - 1) - (A + 1) * c) / a0,
            ((A + 1) - (A - 1) * c - b) / a0};
}

}  // namespace ricettario

// Magnitude of a section's response at frequency f, for design checks and drawn curves.
inline double modulo(const Coefficienti& c, double f, double sr) {
    const double w = 2.0 * std::numbers::pi * f / sr;
    const double cr = std::cos(w), ci = -std::sin(w), c2r = std::cos(2 * w), c2i = -std::sin(2 * w);
    const double nr = c.b0 + c.b1 * cr + c.b2 * c2r, ni = c.b1 * ci + c.b2 * c2i;
    const double dr = 1 + c.a1 * cr + c.a2 * c2r, di = c.a1 * ci + c.a2 * c2i;
    return std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di));
}

// One-pole coefficient for a time constant in ms: 1 - exp(-passo / (sr * ms * 0.001)).
inline double polo(double sr, double ms, double passo = 1) {
    return 1.0 - std::exp(-passo / (sr * ms * 0.001));
}

}  // namespace velmora
