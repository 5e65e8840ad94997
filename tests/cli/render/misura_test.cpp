// Loudness measurement: the true peak catches what falls between samples and agrees with
// libebur128's own; silence has no loudness.
#include "misura.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using resa::Misuratore;
using resa::PiccoVero;

namespace {

std::vector<float> stereo(std::size_t n, float (*f)(std::size_t, int)) {
    std::vector<float> v(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        v[2 * i] = f(i, 0);
        v[2 * i + 1] = f(i, 1);
    }
    return v;
}

TEST(PiccoVero, TrovaIlPiccoFraICampioni) {
    // A sine at a quarter of the rate, 45 degrees off: every sample sits at 0.707 of the crest.
    const auto v = stereo(48000, [](std::size_t i, int) {
        return static_cast<float>(
            0.5 * std::sin(std::numbers::pi / 2 * double(i) + std::numbers::pi / 4));
    });
    PiccoVero p(2, 48000);
    for (std::size_t o = 0; o < 48000; o += 1000) p.aggiungi(v.data() + 2 * o, 1000);
    EXPECT_NEAR(20 * std::log10(p.campione()), 20 * std::log10(0.5 * std::sqrt(0.5)), 0.01);
    EXPECT_NEAR(20 * std::log10(p.vero()), 20 * std::log10(0.5), 0.2);
}

TEST(PiccoVero, DaLoStessoValoreDiLibebur128PerOgniFrequenzaDiCampionamento) {
    std::mt19937 g(3);
    std::normal_distribution<float> u(0, 0.2f);
    for (const unsigned long sr : {44100ul, 96000ul, 192000ul}) {
        // More energy low down, like programme, swelling and fading, so that the quiet pieces
        // are passed over and the peak has to be found later.
        std::vector<float> v(2 * 20000);
        float a = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double s = std::sin(std::numbers::pi * double(i) / double(v.size()) * 3);
            v[i] = a = 0.7f * a + u(g) * static_cast<float>(0.1 + s * s);
        }
        PiccoVero mio(2, double(sr));
        ebur128_state* loro = ebur128_init(2, sr, EBUR128_MODE_TRUE_PEAK);
        for (std::size_t o = 0; o < 20000; o += 777) {
            const std::size_t n = std::min<std::size_t>(777, 20000 - o);
            mio.aggiungi(v.data() + 2 * o, n);
            ebur128_add_frames_float(loro, v.data() + 2 * o, n);
        }
        double a0 = 0, a1 = 0;
        ebur128_true_peak(loro, 0, &a0);
        ebur128_true_peak(loro, 1, &a1);
        ebur128_destroy(&loro);
        EXPECT_NEAR(20 * std::log10(mio.vero()), 20 * std::log10(std::max(a0, a1)), 0.01) << sr;
    }
}

TEST(Misuratore, IlSilenzioNonHaSonorita) {
    Misuratore m(2, 48000);
    ASSERT_TRUE(m.valido());
    std::vector<float> zero(2 * 48000, 0.0f);
    m.aggiungi(zero.data(), 48000);
    const auto l = m.livelli();
    EXPECT_TRUE(std::isinf(l.integrato) && l.integrato < 0);
    EXPECT_TRUE(std::isinf(l.piccoVero) && l.piccoVero < 0);

    Misuratore rifiutato(2, 1);  // a rate libebur128 does not take
    EXPECT_FALSE(rifiutato.valido());
    rifiutato.aggiungi(zero.data(), 100);
    EXPECT_FALSE(rifiutato.livelli().misurato);
}

}  // namespace
