#include "ostrel.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogo.h"
#include "valori_motore.h"

using velmora::ComandoOstrel;

namespace {

const ComandoOstrel& manopola(std::string_view id) {
    const ComandoOstrel* k = velmora::trovaOstrel(id);
    if (k == nullptr) throw std::runtime_error("no knob " + std::string(id));
    return *k;
}

std::string tet(int b) {
    return "m_tet" + std::to_string(b);
}
std::string ril(int b) {
    return "m_ril" + std::to_string(b);
}

}  // namespace

TEST(Ostrel, TabelleEGruppi) {
    // Every knob in exactly one group, on the stage of its group, its green band in its range.
    std::multiset<std::string_view> viste;
    for (const velmora::GruppoOstrel& g : velmora::GRUPPI_OSTREL)
        for (std::string_view id : g.voci) {
            viste.insert(id);
            const ComandoOstrel& k = manopola(id);
            EXPECT_EQ(k.stadio, g.id == "agc" ? "AGC" : "BANDE");
            EXPECT_TRUE(k.min <= k.da && k.da < k.a && k.a <= k.max) << id;
            EXPECT_TRUE(k.min <= k.def && k.def <= k.max) << id;
        }
    EXPECT_EQ(viste.size(), 6u);
    for (const ComandoOstrel& k : velmora::PANNELLO_OSTREL) EXPECT_EQ(viste.count(k.id), 1u);
    EXPECT_EQ(velmora::trovaOstrel("a_target"), nullptr);
}

TEST(Ostrel, Schiaccia) {
    ValoriMotore v;
    const ComandoOstrel& k = manopola("o_schiaccia");
    EXPECT_EQ(k.legge(v), 0);
    k.scrive(3.5, v);
    EXPECT_EQ(v.grezzo("o_schiaccia"), 3.5);
    EXPECT_EQ(k.legge(v), 3.5);
    // The tuning itself is not touched.
    EXPECT_FALSE(v.ha("m_gai1"));
    EXPECT_FALSE(v.ha("m_lim"));
    EXPECT_EQ(v.revisione, 1);
}

TEST(Ostrel, AgcDriveERelease) {
    ValoriMotore v;
    const ComandoOstrel& drive = manopola("o_agcdrive");
    EXPECT_EQ(drive.legge(v), 12);  // the catalogue's -18
    drive.scrive(20, v);
    EXPECT_EQ(v.grezzo("a_target"), -26);
    drive.scrive(0, v);
    EXPECT_EQ(v.grezzo("a_target"), -6);
    EXPECT_EQ(drive.legge(v), 0);

    const ComandoOstrel& rel = manopola("o_agcrel");
    EXPECT_EQ(rel.legge(v), 1);
    rel.scrive(15, v);
    EXPECT_EQ(v.grezzo("a_up"), 15);  // beyond the rise's own range, written as it is
    EXPECT_EQ(rel.legge(v), 15);
}

TEST(Ostrel, MultibandDriveSpostaITettiInsieme) {
    ValoriMotore v;
    const ComandoOstrel& k = manopola("o_mbdrive");
    EXPECT_EQ(k.legge(v), 14);  // no key yet
    v.imposta("m_lock", 0);
    v.imposta("m_tet3", -59);
    v.imposta("m_tet5", -1);

    k.scrive(16, v);  // delta measured from 14
    EXPECT_EQ(v.grezzo("o_mbdrive"), 16);
    EXPECT_EQ(v.grezzo("m_lock"), 1);
    EXPECT_EQ(k.legge(v), 16);
    EXPECT_EQ(v.grezzo(tet(1)), -10);  // catalogue default -8, lowered by 2
    EXPECT_EQ(v.grezzo(tet(3)), -60);  // not -61
    EXPECT_EQ(v.grezzo(tet(5)), -3);

    k.scrive(14, v);
    EXPECT_EQ(v.grezzo(tet(1)), -8);
    EXPECT_EQ(v.grezzo(tet(3)), -58);  // the clamped ceiling comes back by 2, not to -59
    EXPECT_EQ(v.grezzo(tet(5)), -1);

    k.scrive(0, v);  // raising by 14: the ceilings stop at 0
    EXPECT_EQ(v.grezzo(tet(5)), 0);
    EXPECT_EQ(v.grezzo(tet(2)), 0);
    EXPECT_EQ(v.grezzo(tet(3)), -44);
    EXPECT_EQ(v.revisione, 3 * 7);
}

TEST(Ostrel, MultibandRelease) {
    ValoriMotore v;
    const ComandoOstrel& k = manopola("o_mbrel");
    EXPECT_EQ(k.legge(v), 24);  // the catalogue's 200 ms on band 1
    EXPECT_EQ(velmora::posizioneOstrel(k, v), 20);

    k.scrive(5, v);
    const double attesi[] = {960, 660, 480, 540, 720};
    for (int b = 1; b <= 5; ++b) EXPECT_NEAR(v.grezzo(ril(b)), attesi[b - 1], 1e-9) << b;
    EXPECT_EQ(v.grezzo("m_indbs"), 5);
    EXPECT_NEAR(k.legge(v), 5, 1e-12);

    k.scrive(0.5, v);
    for (int b = 1; b <= 5; ++b) EXPECT_EQ(v.grezzo(ril(b)), 2000) << b;
    EXPECT_EQ(v.grezzo("m_indbs"), 0.5);
    EXPECT_NEAR(k.legge(v), 2.4, 1e-12);  // capped times read back slower

    k.scrive(0.1, v);  // below the floor of 0.5 dB/s
    EXPECT_EQ(v.grezzo(ril(3)), 2000);
    EXPECT_EQ(v.grezzo("m_indbs"), 0.1);

    v.imposta("m_ril1", 0);
    EXPECT_EQ(k.legge(v), 3000);
    EXPECT_EQ(velmora::posizioneOstrel(k, v), 20);
}

TEST(Ostrel, Unita) {
    ValoriMotore v;
    const ComandoOstrel& k = manopola("o_unita");
    EXPECT_EQ(k.legge(v), 0);
    k.scrive(0, v);
    EXPECT_EQ(v.grezzo("m_str"), 1);
    EXPECT_EQ(v.grezzo("m_strleg"), 0);
    EXPECT_EQ(v.grezzo("m_strcom"), 0);
    k.scrive(0.2, v);
    EXPECT_EQ(v.grezzo("m_str"), 1);
    EXPECT_NEAR(v.grezzo("m_strleg"), 0.6, 1e-12);
    k.scrive(0.25, v);
    EXPECT_EQ(v.grezzo("m_str"), 1.0625);
    k.scrive(8, v);
    EXPECT_EQ(v.grezzo("m_str"), 3);
    EXPECT_EQ(v.grezzo("m_strleg"), 24);
    EXPECT_NEAR(v.grezzo("m_strcom"), 10.4, 1e-12);
    EXPECT_EQ(k.legge(v), 8);
    v.imposta("m_str", 0.5);
    EXPECT_EQ(k.legge(v), 0);
}

TEST(Ostrel, Trascinamento) {
    const ComandoOstrel& k = manopola("o_agcdrive");  // 0 ... 20, step 0.5
    // A bar of 274 points: 260 points of travel between 7 and 267.
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, 7, 274), 20.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, -50, 274), 20.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, 267, 274), 0.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, 1000, 274), 0.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, 7 + 0.7 * 260, 274), 6.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 10, 7 + 0.69 * 260, 274), 6.0);  // 6.2 -> 6
    // Landing on the current position writes nothing.
    EXPECT_FALSE(velmora::trascinaOstrel(k, 6, 7 + 0.7 * 260, 274).has_value());
    // A bar too short for its margins uses the raw offset: 0.5 is half way.
    EXPECT_EQ(velmora::trascinaOstrel(k, 0, 7.5, 10), 10.0);
    EXPECT_EQ(velmora::trascinaOstrel(k, 0, 6.5, 10), 20.0);
    EXPECT_FALSE(velmora::trascinaOstrel(k, 10, 7.5, 10).has_value());
}

TEST(Ostrel, FasciaVerdeEStadioSpento) {
    const ComandoOstrel& k = manopola("o_agcdrive");  // 10 ... 15
    EXPECT_TRUE(velmora::nelVerde(k, 10 - 1e-10));
    EXPECT_TRUE(velmora::nelVerde(k, 15));
    EXPECT_FALSE(velmora::nelVerde(k, 9.99));
    EXPECT_FALSE(velmora::nelVerde(k, 15.01));
    EXPECT_TRUE(velmora::nelVerde(manopola("o_mbdrive"), 15.5));

    EXPECT_EQ(velmora::etichettaSpento(k, true), "AGC e' spento");
    EXPECT_EQ(velmora::etichettaSpento(manopola("o_unita"), false), "BANDE is off");
    EXPECT_EQ(velmora::aiutoSpento(manopola("o_mbrel")),
              "Questa manopola scrive dentro BANDE, che adesso e' SPENTO: muoverla non cambia "
              "niente. Accendi BANDE nella catena qui sotto.");
}

TEST(Ostrel, PosizioneLettaDentroLaCorsa) {
    ValoriMotore v;
    v.imposta("a_target", -40);  // reads 34, beyond the knob's 20
    EXPECT_EQ(velmora::posizioneOstrel(manopola("o_agcdrive"), v), 20);
    v.imposta("a_target", -2);
    EXPECT_EQ(velmora::posizioneOstrel(manopola("o_agcdrive"), v), 0);
    for (const ComandoOstrel& k : velmora::PANNELLO_OSTREL) {
        ValoriMotore fresco;
        const double p = velmora::posizioneOstrel(k, fresco);
        EXPECT_GE(p, k.min) << k.id;
        EXPECT_LE(p, k.max) << k.id;
    }
}
