// Head of the chain: never-below detector, look-ahead input gate and programme window, observed
// through the frame with every stage switched off except an inactive equaliser.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "catena.h"
#include "segnali.h"

using velmora::Catena;

namespace {

// Stages off but one switch on, so the head of the chain runs and nothing else colours the sound.
std::unique_ptr<Catena> testa(velmora::Parametri p, double sr = 48000) {
    auto c = std::make_unique<Catena>(sr);
    p.insert({{"a_on", 0}, {"m_on", 0}, {"x_on", 0}});
    c->parametri = std::move(p);
    c->applica();
    c->adottaSubito();
    return c;
}

double portaDb(const Catena& c) {
    return 20 * std::log10(c.guadagnoPorta.load());
}

TEST(Porta, RitardoEsattoDellaLookahead) {
    auto c = testa({{"g_porta", 100}});
    std::vector<float> l(6000, 0.0f), r(6000, 0.0f);
    l[3] = 0.5f;
    r[3] = -0.25f;
    c->elabora(l.data(), r.data(), 6000);
    for (int i = 0; i < 6000; ++i) {
        if (i == 4803) continue;
        ASSERT_EQ(l[static_cast<std::size_t>(i)], 0.0f) << i;
    }
    EXPECT_EQ(l[4803], 0.5f);
    EXPECT_EQ(r[4803], -0.25f);
}

TEST(Porta, SaleAlPiuAllaSuaVelocitaEScendeSubito) {
    auto c = testa({{"g_porta", 100}, {"g_pbers", -12}, {"g_pvel", 3}});
    const int n = 512;
    const double a = std::pow(10.0, -24 / 20.0);
    long t = 0;
    double precedente = portaDb(*c);
    for (int k = 0; k < 94; ++k, t += n) {  // about one second
        auto l = segnali::seno(1000, 48000, n, a, static_cast<int>(t)), r = l;
        c->elabora(l.data(), r.data(), n);
        EXPECT_LE(portaDb(*c) - precedente, 3.0 * n / 48000 + 1e-9);
        precedente = portaDb(*c);
    }
    EXPECT_NEAR(portaDb(*c), 3.0 * 94 * n / 48000, 0.05);
    // Keep going until the peaks sit on the target, and no further.
    for (int k = 0; k < 94 * 5; ++k, t += n) {
        auto l = segnali::seno(1000, 48000, n, a, static_cast<int>(t)), r = l;
        c->elabora(l.data(), r.data(), n);
    }
    EXPECT_NEAR(portaDb(*c), 12.0, 0.05);
    // A burst to -6 dBFS: the gain falls at the end of the block in which it enters, while the
    // burst is still inside the delay line.
    auto l = segnali::seno(1000, 48000, n, 0.5, static_cast<int>(t)), r = l;
    c->elabora(l.data(), r.data(), n);
    EXPECT_NEAR(portaDb(*c), -6.0, 0.05);
    EXPECT_LT(segnali::picco(l), 0.26 * std::pow(10.0, 12 / 20.0));  // still the quiet sine
}

TEST(Porta, ElSilenzioTieneIlGuadagno) {
    auto c = testa({{"g_porta", 10}});
    std::vector<float> l(480, 0.2f), r(480, 0.2f);
    c->elabora(l.data(), r.data(), 480);
    const double g = portaDb(*c);
    for (int k = 0; k < 200; ++k) {
        std::vector<float> z(480, 0.0f), w(480, 0.0f);
        c->elabora(z.data(), w.data(), 480);
    }
    EXPECT_DOUBLE_EQ(portaDb(*c), g);
}

TEST(Porta, GuadagnoLimitato) {
    auto c = testa({{"g_porta", 10}, {"g_pbers", 60}, {"g_pvel", 1e6}});
    for (int k = 0; k < 20; ++k) {
        std::vector<float> l(480, 0.001f), r(480, 0.001f);
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_DOUBLE_EQ(c->guadagnoPorta.load(), 100.0);
    c->portaBersaglio = -100;
    std::vector<float> m(480, 0.9f), n(480, 0.9f);
    c->elabora(m.data(), n.data(), 480);
    EXPECT_DOUBLE_EQ(c->guadagnoPorta.load(), 0.06);
}

// Negative speeds from a hand-written preset hold the gains instead of walking them away.
TEST(Porta, VelocitaNegativeTengonoIlGuadagno) {
    auto c = testa({{"g_porta", 10}, {"g_pvel", -5}, {"f_on", 1}, {"f_vel", -1}});
    for (int k = 0; k < 200; ++k) {
        auto l = segnali::seno(1000, 48000, 480, 0.01, k * 480), r = l;
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_DOUBLE_EQ(c->guadagnoPorta.load(), 1.0);
    EXPECT_DOUBLE_EQ(c->guadagnoFinestra.load(), 0.0);
}

TEST(Porta, GuadagnoDiIngressoEnormeRestaFinito) {
    auto c = testa({{"g_pre", 1000}});
    std::vector<float> l(480, 0.5f), r(480, 0.5f);
    c->elabora(l.data(), r.data(), 480);
    EXPECT_TRUE(std::isfinite(l[0]) && l[0] != 0.0f);
    EXPECT_EQ(c->ripristini.load(), 0u);
}

// Never-below: quiet input freezes the gate and the window, with 3 dB of hysteresis.
TEST(MaiSotto, CongelaPortaEFinestraConIsteresi) {
    auto c = testa({{"g_porta", 10},
                    {"g_canc", -60},
                    {"g_cancms", 60},
                    {"f_on", 1},
                    {"f_min", -20},
                    {"f_max", -20},
                    {"f_vel", 10}});
    auto blocco = [&](double ampiezza, int volte) {
        for (int k = 0; k < volte; ++k) {
            auto l = segnali::seno(1000, 48000, 480, ampiezza, k * 480), r = l;
            c->elabora(l.data(), r.data(), 480);
        }
    };
    blocco(0.1, 100);
    const double fin = c->guadagnoFinestra.load();
    EXPECT_GT(fin, 0.5);  // the window was moving up toward -20 LUFS
    // Mid level of a sine of amplitude a: a^2/2. -63 dB: a = sqrt(2)*10^(-63/20).
    blocco(std::sqrt(2.0) * std::pow(10.0, -63 / 20.0), 100);
    const double fermoFin = c->guadagnoFinestra.load(), fermaPorta = c->guadagnoPorta.load();
    blocco(std::sqrt(2.0) * std::pow(10.0, -58 / 20.0), 100);  // between the edges: still held
    EXPECT_EQ(c->guadagnoFinestra.load(), fermoFin);
    EXPECT_EQ(c->guadagnoPorta.load(), fermaPorta);
    blocco(std::sqrt(2.0) * std::pow(10.0, -56 / 20.0), 100);  // above -57 dB: free again
    EXPECT_NE(c->guadagnoFinestra.load(), fermoFin);
}

TEST(Finestra, SaleAUnDecibelAlSecondoFinoAlBersaglio) {
    // Pink-ish programme would do as well; a 1 kHz sine reads its RMS under K-weighting (+0.7 dB).
    auto c = testa({{"f_on", 1}, {"f_min", -20}, {"f_max", -20}, {"f_vel", 1}});
    const int n = 480;
    // Mid RMS for -26 LUFS at 1 kHz: sine amplitude a with a^2/2 = 10^((-26 + 0.691 - 0.69)/10).
    const double a = std::sqrt(2 * std::pow(10.0, (-26 + 0.691 - 0.69) / 10));
    double prima = 0;
    for (int k = 0; k < 100; ++k) {  // first second: the detector settles, the gain climbs
        auto l = segnali::seno(1000, 48000, n, a, k * n), r = l;
        c->elabora(l.data(), r.data(), n);
        EXPECT_LE(c->guadagnoFinestra.load() - prima, 1.0 * n / 48000 + 1e-12);
        prima = c->guadagnoFinestra.load();
    }
    EXPECT_LE(prima, 1.0 + 1e-9);
    for (int k = 100; k < 1200; ++k) {
        auto l = segnali::seno(1000, 48000, n, a, k * n), r = l;
        c->elabora(l.data(), r.data(), n);
    }
    EXPECT_NEAR(c->guadagnoFinestra.load(), 6.0, 0.3);
}

TEST(Finestra, ProgrammaSilenziosoTieneEILimitiReggono) {
    auto c = testa({{"f_on", 1}, {"f_min", -20}, {"f_max", -20}, {"f_vel", 1000}});
    const double a70 = std::sqrt(2 * std::pow(10.0, -70 / 10.0));
    for (int k = 0; k < 300; ++k) {
        auto l = segnali::seno(1000, 48000, 480, a70, k * 480), r = l;
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_EQ(c->guadagnoFinestra.load(), 0.0);
    const double a55 = std::sqrt(2 * std::pow(10.0, -55 / 10.0));
    for (int k = 0; k < 300; ++k) {
        auto l = segnali::seno(1000, 48000, 480, a55, k * 480), r = l;
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_EQ(c->guadagnoFinestra.load(), 24.0);
    // Loud programme and a very low bound: the gain stops at -40 dB.
    c->parametri["f_min"] = -90;
    c->parametri["f_max"] = -90;
    c->applica();
    for (int k = 0; k < 300; ++k) {
        auto l = segnali::seno(1000, 48000, 480, 0.9, k * 480), r = l;
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_EQ(c->guadagnoFinestra.load(), -40.0);
}

TEST(Finestra, PesaturaKDellaNorma) {
    // The K curve: about 0 dB at 1 kHz, +4 dB high up, a steep fall below 40 Hz.
    const auto k = velmora::pesaturaK(48000);
    auto risposta = [&](double f) {
        return segnali::db(velmora::modulo(k[0], f, 48000) * velmora::modulo(k[1], f, 48000));
    };
    EXPECT_NEAR(risposta(1000), 0.7, 0.1);
    EXPECT_NEAR(risposta(10000), 4.0, 0.1);
    EXPECT_LT(risposta(20), -5);
}

}  // namespace
