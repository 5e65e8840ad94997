#include "manopola.h"

#include <gtest/gtest.h>

#include "finta_piattaforma.h"

using velmora::ManopolaOstrel;

namespace {

class ManopolaTest : public ::testing::Test, public BancoModello {
  protected:
    const velmora::ComandoOstrel& k(std::string_view id) { return *velmora::trovaOstrel(id); }
};

TEST_F(ManopolaTest, PosizioneDalLettoreDentroIlCampo) {
    velmora::Macchina& m = crea();
    ManopolaOstrel rilascio(k("o_mbrel"), m);
    EXPECT_EQ(rilascio.posizione(), 20.0);  // m_ril1 = 200 reads as 24
    ManopolaOstrel drive(k("o_agcdrive"), m);
    EXPECT_EQ(drive.posizione(), 12.0);
    EXPECT_EQ(drive.testoValore(), "12.00 dB");
    EXPECT_TRUE(drive.nelVerde());
    // Another control moved the value: the knob follows at the next revision only.
    m.imposta("a_target", -26);
    EXPECT_EQ(drive.posizione(), 12.0);
    m.sincronizza("a_target", -26);
    EXPECT_EQ(drive.posizione(), 20.0);
    EXPECT_FALSE(drive.nelVerde());
}

TEST_F(ManopolaTest, TrascinareScriveSoloSeCambia) {
    velmora::Macchina& m = crea();
    ManopolaOstrel drive(k("o_agcdrive"), m);
    const int r = m.revisione();
    EXPECT_TRUE(drive.trascina(0, 114));  // top: the maximum
    EXPECT_EQ(m.valore("a_target"), -26.0);
    EXPECT_EQ(drive.posizione(), 20.0);
    EXPECT_GT(m.revisione(), r);
    const int dopo = m.revisione();
    EXPECT_FALSE(drive.trascina(-30, 114));  // still the top: nothing written
    EXPECT_EQ(m.revisione(), dopo);
    EXPECT_TRUE(drive.trascina(57, 114));  // the middle: 10
    EXPECT_EQ(m.valore("a_target"), -16.0);
}

TEST_F(ManopolaTest, StadioSpento) {
    velmora::Macchina& m = crea();
    ManopolaOstrel rilascio(k("o_agcrel"), m);
    ManopolaOstrel unita(k("o_unita"), m);
    EXPECT_TRUE(rilascio.viva());
    EXPECT_EQ(rilascio.etichetta(), "AGC release");
    m.mettiAccAgc(false);
    EXPECT_FALSE(rilascio.viva());
    EXPECT_TRUE(unita.viva());
    EXPECT_EQ(rilascio.etichetta(), "AGC e' spento");
    m.mettiItaliano(false);
    EXPECT_EQ(rilascio.etichetta(), "AGC is off");
    EXPECT_TRUE(
        rilascio.aiuto().startsWith("Questa manopola scrive dentro AGC, che adesso e' "
                                    "SPENTO"));
    EXPECT_TRUE(rilascio.trascina(7, 100));  // still moves and writes
    EXPECT_EQ(m.valore("a_up"), 20.0);
}

TEST_F(ManopolaTest, IlSuggerimentoSiCancellaSoloSeESuo) {
    velmora::Macchina& m = crea();
    ManopolaOstrel unita(k("o_unita"), m);
    unita.entra();
    EXPECT_TRUE(m.suggerimento().startsWith("Bonding — La stretta"));
    unita.esce();
    EXPECT_EQ(m.suggerimento(), "");
    unita.entra();
    m.mettiSuggerimento("Soglia — un altro comando");
    unita.esce();
    EXPECT_EQ(m.suggerimento(), "Soglia — un altro comando");
}

}  // namespace
