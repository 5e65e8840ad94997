// Parameter application: engine defaults and the rules that join several keys.
#include <gtest/gtest.h>

#include "catena.h"
#include "segnali.h"

using velmora::leggiImpostazioni;
using velmora::Parametri;

namespace {

TEST(Applica, ArchivioVuotoDaIPredefinitiDelMotore) {
    const auto s = leggiImpostazioni({}, 48000);
    EXPECT_EQ(s.interruttori, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_FALSE(s.max.tosaon);
    EXPECT_EQ(s.max.ant, 0);
    EXPECT_FALSE(s.max.limit);
    EXPECT_EQ(s.testa.portaL.size(), 1u);  // gate inactive
    EXPECT_FALSE(s.testa.finestraAccesa);
    EXPECT_EQ(s.testa.canc, -200);
    EXPECT_EQ(s.testa.pre, 1.0);
    for (const auto& b : s.mb.bande) {
        EXPECT_EQ(b.tet, -6);
        EXPECT_EQ(b.sog, -40);
        EXPECT_TRUE(b.bon);
    }
    EXPECT_FALSE(s.mb.lock);
}

TEST(Applica, MacroSchiaccia) {
    auto s = leggiImpostazioni({{"o_schiaccia", 4}, {"m_lim", 8}, {"m_str", 1}}, 48000);
    EXPECT_DOUBLE_EQ(s.mb.lim, 4);
    EXPECT_DOUBLE_EQ(s.mb.str, 1.8);
    EXPECT_DOUBLE_EQ(s.mb.unione, 0.12);
    for (const auto& b : s.mb.bande) EXPECT_DOUBLE_EQ(b.gai, 6);
    // Beyond 10 it acts as 10; the store is not changed by the macro.
    Parametri p = {{"o_schiaccia", 20}, {"m_lim", 30}, {"m_str", 7.5}, {"m_unione", 90}};
    s = leggiImpostazioni(p, 48000);
    EXPECT_DOUBLE_EQ(s.mb.lim, 14);  // min(30, 24) - 10
    EXPECT_DOUBLE_EQ(s.mb.str, 8);
    EXPECT_DOUBLE_EQ(s.mb.unione, 1);
    EXPECT_DOUBLE_EQ(s.mb.bande[0].gai, 15);
    EXPECT_EQ(p.at("o_schiaccia"), 20);
    // The wall never goes below 4 dB.
    s = leggiImpostazioni({{"o_schiaccia", 10}, {"m_lim", 6}}, 48000);
    EXPECT_DOUBLE_EQ(s.mb.lim, 4);
}

TEST(Applica, InterazioneSpentaAnnullaLeInterazioniMaNonIlGuadagno) {
    const auto s = leggiImpostazioni({{"m_com", 0},
                                      {"o_schiaccia", 5},
                                      {"m_acc", 50},
                                      {"m_acc34", 50},
                                      {"m_lib", 6},
                                      {"m_sbav", 30},
                                      {"m_limgr", 3}},
                                     48000);
    EXPECT_EQ(s.mb.lim, 24);
    EXPECT_EQ(s.mb.str, 1);
    EXPECT_EQ(s.mb.unione, 0);
    EXPECT_EQ(s.mb.acc, 0);
    EXPECT_EQ(s.mb.acc34, 0);
    EXPECT_EQ(s.mb.lib, 24);
    EXPECT_EQ(s.mb.sbav, 0);
    EXPECT_EQ(s.mb.limgr, 0);
    for (const auto& b : s.mb.bande) EXPECT_DOUBLE_EQ(b.gai, 7.5);
    // Present and on, or absent: the keys are in charge.
    EXPECT_DOUBLE_EQ(leggiImpostazioni({{"m_com", 1}, {"m_acc", 50}}, 48000).mb.acc, 0.5);
    EXPECT_DOUBLE_EQ(leggiImpostazioni({{"m_acc", 50}}, 48000).mb.acc, 0.5);
}

TEST(Applica, BandeSpenteVinconoSulleChiaviDelleBande) {
    Parametri p = {{"m_ban", 0}};
    for (int b = 1; b <= 5; ++b) p["m_bon" + std::to_string(b)] = 1;
    auto s = leggiImpostazioni(p, 48000);
    for (const auto& b : s.mb.bande) EXPECT_FALSE(b.bon);
    p.erase("m_ban");
    p["m_bon2"] = 0;
    s = leggiImpostazioni(p, 48000);
    EXPECT_TRUE(s.mb.bande[0].bon);
    EXPECT_FALSE(s.mb.bande[1].bon);
}

TEST(Applica, ModoAscoltoIgnoraTosaturaELimitatore) {
    auto s =
        leggiImpostazioni({{"x_radio", 0}, {"x_tosaon", 1}, {"x_limit", 1}, {"x_ant", 5}}, 48000);
    EXPECT_FALSE(s.max.tosaon);
    EXPECT_FALSE(s.max.limit);
    EXPECT_EQ(s.max.ant, 0);
    s = leggiImpostazioni({{"x_radio", 1}}, 48000);
    EXPECT_TRUE(s.max.tosaon);
    EXPECT_TRUE(s.max.limit);
    EXPECT_EQ(s.max.ant, 10);
    s = leggiImpostazioni({{"x_radio", 1}, {"x_tosaon", 0}, {"x_ant", 3}}, 48000);
    EXPECT_FALSE(s.max.tosaon);
    EXPECT_EQ(s.max.ant, 3);
}

TEST(Applica, FinestraConLimiteSuperioreSottoLInferiore) {
    const auto s = leggiImpostazioni({{"f_min", -14}, {"f_max", -18}, {"f_on", 1}}, 48000);
    EXPECT_EQ(s.testa.finestraMin, -14);
    EXPECT_EQ(s.testa.finestraMax, -14);
    EXPECT_TRUE(s.testa.finestraAccesa);
}

TEST(Applica, DimensioneDellaPorta) {
    auto s = leggiImpostazioni({{"g_porta", 50}}, 48000);
    EXPECT_EQ(s.testa.portaL.size(), 2400u);
    EXPECT_EQ(s.testa.portaPicchi.size(), 19u);
    EXPECT_EQ(leggiImpostazioni({{"g_porta", 50.01}}, 48000).testa.portaL.size(), 2400u);
    EXPECT_EQ(leggiImpostazioni({{"g_porta", 50.1}}, 48000).testa.portaL.size(), 2404u);
    EXPECT_EQ(leggiImpostazioni({{"g_porta", -5}}, 48000).testa.portaL.size(), 1u);
    // A nonsense look-ahead cannot ask for unbounded memory.
    EXPECT_LE(leggiImpostazioni({{"g_porta", 1e12}}, 48000).testa.portaL.size(), 480000u);
}

// Only a change of length rebuilds the gate: an unchanged length keeps the delayed audio.
TEST(Applica, LaPortaSiRicostruisceSoloSeCambiaLaLunghezza) {
    velmora::Catena c(48000);
    c.parametri = {{"g_porta", 50}, {"a_on", 0}, {"m_on", 0}, {"x_on", 0}};
    c.applica();
    c.adottaSubito();
    std::vector<float> l(1000, 0.25f), r(1000, 0.25f);
    c.elabora(l.data(), r.data(), 1000);
    c.parametri["g_porta"] = 50.01;  // same 2400 samples
    c.applica();
    std::vector<float> a(2000, 0.0f), b(2000, 0.0f);
    c.elabora(a.data(), b.data(), 2000);
    // The 1000 samples written first are still in the line: they come out at 2400..3399.
    std::vector<float> d(1000, 0.0f), e(1000, 0.0f);
    c.elabora(d.data(), e.data(), 1000);
    EXPECT_GT(std::fabs(d[100]), 0.1f);
    c.parametri["g_porta"] = 50.1;  // 2404: restarts from silence
    c.applica();
    std::vector<float> f(3000, 0.0f), g(3000, 0.0f);
    c.elabora(f.data(), g.data(), 3000);
    EXPECT_EQ(segnali::picco(f), 0.0);
}

}  // namespace
