// The equaliser, measured by running sines through the stage.
#include "eq/eq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../segnali.h"
#include "archivio.h"

namespace {

oeq::Eq stadio(const velmora::Parametri& p, double sr = 48000) {
    oeq::Eq e;
    e.adotta(oeq::progetta(oeq::leggi(velmora::Archivio(p)), sr));
    return e;
}

// Steady-state gain in dB of a sine at f through the stage.
double guadagno(const velmora::Parametri& p, double f, double sr = 48000) {
    auto e = stadio(p, sr);
    const int n = static_cast<int>(sr);  // one second: the last half is measured
    auto l = segnali::seno(f, sr, n, 0.25), r = l;
    e.process(l.data(), r.data(), n);
    return segnali::db(segnali::picco(l, static_cast<std::size_t>(n / 2)) / 0.25);
}

TEST(Eq, PredefinitiInattiviEBitIdentici) {
    auto e = stadio({{"e_lp", 20000}, {"e_hp", 0}});
    EXPECT_FALSE(e.progetto().attivo);
    auto l = segnali::rumore(4096), r = segnali::rumore(4096, 0.5, 3);
    auto l0 = l, r0 = r;
    e.process(l.data(), r.data(), 4096);
    EXPECT_EQ(l, l0);
    EXPECT_EQ(r, r0);
}

TEST(Eq, SogliaDelPassaAlto) {
    EXPECT_FALSE(stadio({{"e_hp", 20}}).progetto().attivo);
    EXPECT_TRUE(stadio({{"e_hp", 21}}).progetto().attivo);
    EXPECT_NEAR(guadagno({{"e_hp", 21}, {"e_hpsez", 1}, {"e_hpq", 0.707}}, 21), -3.0, 0.1);
}

TEST(Eq, PassaAltoA24DbPerOttava) {
    const velmora::Parametri p = {{"e_hp", 200}, {"e_hpsez", 2}, {"e_hpq", 0.707}};
    EXPECT_NEAR(guadagno(p, 200), -6.0, 0.1);
    // Far below the corner the slope approaches 24 dB per octave.
    EXPECT_NEAR(guadagno(p, 25) - guadagno(p, 50), -24.0, 0.5);
    // More than two sections is clamped to two.
    EXPECT_NEAR(guadagno({{"e_hp", 200}, {"e_hpsez", 5}, {"e_hpq", 0.707}}, 200), -6.0, 0.1);
}

TEST(Eq, SogliaDelPassaBasso) {
    EXPECT_FALSE(stadio({{"e_lp", 1000}}).progetto().attivo);
    EXPECT_TRUE(stadio({{"e_lp", 1050}}).progetto().attivo);
    EXPECT_NEAR(guadagno({{"e_lp", 1050}}, 1050), -6.0, 0.1);
}

// At 48 kHz a low-pass left at 20 kHz runs as soon as something else is active; at 44.1 kHz it
// is above 0.45 sr and never runs.
TEST(Eq, PassaBassoA20kHzSegueLAttivita) {
    EXPECT_FALSE(stadio({{"e_lp", 20000}}).progetto().attivo);
    const velmora::Parametri p = {{"e_lp", 20000}, {"e_b1db", 3}};
    EXPECT_NEAR(guadagno(p, 19999), -6.0, 0.6);
    EXPECT_NEAR(guadagno(p, 15000, 44100), 0.0, 0.05);
    EXPECT_NEAR(guadagno(p, 19800, 44100), 0.0, 0.05);
}

TEST(Eq, CampanaEScaffali) {
    EXPECT_FALSE(stadio({{"e_b2db", 0.01}}).progetto().attivo);
    EXPECT_TRUE(stadio({{"e_b2db", 0.02}}).progetto().attivo);
    EXPECT_NEAR(guadagno({{"e_b2db", 6}, {"e_b2hz", 1000}, {"e_b2q", 1}}, 1000), 6.0, 0.05);
    EXPECT_NEAR(guadagno({{"e_b2db", -9}, {"e_b2hz", 1000}, {"e_b2q", 1}}, 1000), -9.0, 0.05);
    EXPECT_NEAR(guadagno({{"e_lsdb", 4}, {"e_lshz", 100}}, 30), 4.0, 0.2);
    EXPECT_NEAR(guadagno({{"e_lsdb", 4}, {"e_lshz", 100}}, 5000), 0.0, 0.05);
    EXPECT_NEAR(guadagno({{"e_hsdb", -5}, {"e_hshz", 4000}}, 15000), -5.0, 0.3);
    // A Q below the floor is designed at 0.1, a very wide bell.
    const auto a =
        oeq::progetta(oeq::leggi(velmora::Archivio({{"e_b1q", 0.05}, {"e_b1db", 3}})), 48000);
    const auto b =
        oeq::progetta(oeq::leggi(velmora::Archivio({{"e_b1q", 0.1}, {"e_b1db", 3}})), 48000);
    EXPECT_EQ(a.bell[0], b.bell[0]);
}

TEST(Eq, FrequenzeOltreIlLimiteVengonoAbbassate) {
    const auto a =
        oeq::progetta(oeq::leggi(velmora::Archivio({{"e_b3hz", 40000}, {"e_b3db", 3}})), 48000);
    const auto b =
        oeq::progetta(oeq::leggi(velmora::Archivio({{"e_b3hz", 21600}, {"e_b3db", 3}})), 48000);
    EXPECT_EQ(a.bell[2], b.bell[2]);
    EXPECT_TRUE(std::isfinite(guadagno({{"e_b3hz", 40000}, {"e_b3db", 3}}, 1000)));
}

// A new design takes effect from the next sample; the histories carry over, so a gain change on a
// running sine leaves no click (no jump bigger than the sine's own step).
TEST(Eq, CambioDiGuadagnoSenzaAzzerareLaStoria) {
    auto e = stadio({{"e_b2db", 3}, {"e_b2hz", 1000}});
    auto l = segnali::seno(100, 48000, 4800, 0.5), r = l;
    e.process(l.data(), r.data(), 2400);
    e.adotta(
        oeq::progetta(oeq::leggi(velmora::Archivio({{"e_b2db", 2.5}, {"e_b2hz", 1000}})), 48000));
    e.process(l.data() + 2400, r.data() + 2400, 2400);
    double salto = 0;
    for (std::size_t i = 2390; i < 2410; ++i)
        salto = std::max(salto, double(std::fabs(l[i + 1] - l[i])));
    EXPECT_LT(salto, 0.01);
}

// The stage runs both channels together and each section over a piece of the block; it must give
// exactly what each channel through its sections in order, sample by sample, gives.
TEST(Eq, UgualeBitPerBitAllaCatenaCampionePerCampione) {
    const velmora::Parametri chiavi = {{"e_hp", 45},    {"e_hpsez", 2}, {"e_lsdb", 3},
                                       {"e_b1db", -4},  {"e_b2db", 2},  {"e_b3db", -1.5},
                                       {"e_hsdb", 2.5}, {"e_lp", 15000}};
    const oeq::Progetto d = oeq::progetta(oeq::leggi(velmora::Archivio(chiavi)), 48000);
    ASSERT_TRUE(d.hpOn && d.lsOn && d.hsOn && d.lpOn && d.hpSezioni == 2);
    std::vector<velmora::Coefficienti> sezioni = {d.hp,      d.hp, d.ls, d.bell[0], d.bell[1],
                                                  d.bell[2], d.hs, d.lp, d.lp};
    const auto l0 = segnali::rumore(20000), r0 = segnali::rumore(20000, 0.3, 7);
    std::vector<float> attesi[2] = {l0, r0};
    for (auto& canale : attesi) {
        std::vector<velmora::Biquad> s(sezioni.size());
        for (std::size_t k = 0; k < s.size(); ++k) s[k].c = sezioni[k];
        for (float& v : canale) {
            double x = v;
            for (auto& b : s) x = b.elabora(x);
            v = static_cast<float>(x);
        }
    }
    oeq::Eq e;
    e.adotta(d);
    auto l = l0, r = r0;
    for (std::size_t i = 0, n = 1; i < l.size(); i += n, n = n * 3 % 1000 + 1) {
        n = std::min(n, l.size() - i);
        e.process(l.data() + i, r.data() + i, static_cast<int>(n));
    }
    EXPECT_EQ(l, attesi[0]);
    EXPECT_EQ(r, attesi[1]);
}

}  // namespace
