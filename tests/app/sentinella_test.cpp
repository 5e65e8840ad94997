#include "sentinella.h"

#include <gtest/gtest.h>

#include "finta_piattaforma.h"

using velmora::Macchina;
using velmora::Sentinella;

namespace {

class SentinellaTest : public ::testing::Test, public BancoModello {
  protected:
    void SetUp() override {
        m = &crea();
        s = std::make_unique<Sentinella>(*m);
        m->mettiPreAuto(false);
        m->accendi();
    }
    // One meter update with this input peak, `secondi` after the last one.
    void picco(double db, double secondi = 0.13) {
        orologio.avanza(secondi);
        m->misure().metroIn = {db, db - 3, db, db - 3, db - 10};
        s->aggiornaPicco();
        s->aggiornaIngresso();
    }
    void bande(double media, double secondi = 0.13) {
        orologio.avanza(secondi);
        const auto b = static_cast<float>(media);
        m->misure().bande = {b, b, b, b, b};
        s->aggiornaBande();
    }
    QString titolo() const { return s->contenuto().titolo; }

    Macchina* m = nullptr;
    std::unique_ptr<Sentinella> s;
};

TEST_F(SentinellaTest, PocoSegnaleDopoOttoSecondi) {
    piattaforma.canali = 8;
    piattaforma.primoCanale = 2;
    piattaforma.forte = -38.4f;
    picco(-40);
    picco(-40, 8.0);
    EXPECT_FALSE(s->ingressoBasso());  // exactly 8 s is not more than 8
    picco(-40, 0.13);
    ASSERT_TRUE(s->ingressoBasso());
    EXPECT_EQ(titolo(), "ENTRA POCO SEGNALE (-40 dB)");
    EXPECT_TRUE(s->contenuto().testo.startsWith(
        "La presa vede 8 canali, sto ascoltando il 3-4, e il canale piu' forte di tutti sta a "
        "-38 dB."));
    m->mettiItaliano(false);
    EXPECT_EQ(titolo(), "VERY LITTLE SIGNAL COMING IN");
    EXPECT_EQ(s->contenuto().testo,
              "The tap sees 8 channels, listening to 3-4, loudest channel at -38 dB. Raise the "
              "volume in the source app.");

    picco(-32);  // between -35 and -30: as it was
    EXPECT_TRUE(s->ingressoBasso());
    picco(-29);
    EXPECT_FALSE(s->ingressoBasso());
    EXPECT_EQ(titolo(), Sentinella::kTuttoBeneEn);
    picco(-33);
    picco(-33, 20);
    EXPECT_FALSE(s->ingressoBasso());
}

TEST_F(SentinellaTest, IlPiccoTenutoScendePianoDopoUnColpo) {
    picco(-10);
    picco(-40, 5);
    EXPECT_EQ(s->piccoTenuto(), -10);
    picco(-40, 5.1);
    EXPECT_DOUBLE_EQ(s->piccoTenuto(), -14.5);  // 15% of the gap
    picco(-40, 1);
    EXPECT_DOUBLE_EQ(s->piccoTenuto(), -14.5);  // at most once every 10 s
    // The low-signal warning comes back only once the held peak has sunk below -35, 8 s later.
    for (int i = 0; i < 14; ++i) {
        picco(-40, 10.1);
        if (s->piccoTenuto() >= -35) {
            EXPECT_FALSE(s->ingressoBasso());
        }
    }
    EXPECT_TRUE(s->ingressoBasso());
}

TEST_F(SentinellaTest, TrovaIlLivello) {
    struct Caso {
        double picco, preInizio, atteso;
    };
    const Caso casi[] = {
        {-30, 0, 18}, {-30, 6, 18}, {-70, 0, 40}, {20, 0, -24}, {-30.3, 0, 18.5}, {-29.7, 0, 17.5},
    };
    for (const Caso& c : casi) {
        m->imposta("g_pre", c.preInizio);
        picco(-5);
        s->trovaLivello();
        EXPECT_TRUE(s->misurando());
        const int revisione = m->revisione();
        picco(c.picco, 2);
        picco(c.picco, 2);  // exactly 4 s: still measuring
        EXPECT_EQ(m->valore("g_pre"), c.preInizio);
        picco(c.picco, 0.13);
        EXPECT_FALSE(s->misurando());
        EXPECT_EQ(m->valore("g_pre"), c.atteso) << c.picco << " " << c.preInizio;
        EXPECT_GT(m->revisione(), revisione);
    }
    EXPECT_EQ(s->rigaPreamplificazione(), "preamplificazione ora: 17.5 dB");
}

// Only a noise floor during the measurement: the input gain is left alone and the user is told.
TEST_F(SentinellaTest, TrovaIlLivelloSenzaMusicaNonTocca) {
    m->imposta("g_pre", 3);
    s->trovaLivello();
    picco(-80, 2);
    picco(-80, 2.13);
    EXPECT_FALSE(s->misurando());
    EXPECT_EQ(m->valore("g_pre"), 3.0);
    EXPECT_FALSE(m->messaggio().isEmpty());
}

TEST_F(SentinellaTest, BandeGiuConIsteresiEAttesa) {
    bande(-16);
    EXPECT_FALSE(s->bandeGiu());
    s->azzera();
    bande(-19);  // the first value is taken at once
    ASSERT_TRUE(s->bandeGiu());
    EXPECT_EQ(titolo(), "LE BANDE SCHIACCIANO MOLTO (19 dB)");
    bande(-10, 1);
    EXPECT_GT(s->mediaLenta(), -19);  // 3% of the way
    EXPECT_LT(s->mediaLenta(), -18.5);
    for (int i = 0; i < 80; ++i) bande(-10, 0.03);  // above -14, but not 6 s yet
    EXPECT_GT(s->mediaLenta(), -14);
    EXPECT_TRUE(s->bandeGiu());
    bande(-10, 5);
    EXPECT_FALSE(s->bandeGiu());
    EXPECT_EQ(titolo(), Sentinella::kTuttoBeneIt);
}

TEST_F(SentinellaTest, BandeSuVinceSulBancoSpentoFinoAlRiavvio) {
    bande(7);
    ASSERT_TRUE(s->bandeSu());
    m->mettiAccMb(false);
    EXPECT_EQ(titolo(), "LE BANDE STANNO ALZANDO DI 7 dB");
    m->spegni();
    EXPECT_EQ(titolo(), Sentinella::kTuttoBeneIt);  // stopped: always all good
    m->accendi();
    EXPECT_FALSE(s->bandeSu());
    EXPECT_EQ(s->mediaLenta(), 0);
    EXPECT_EQ(titolo(), "IL BANCO E' SPENTO");
    bande(5, 7);
    bande(3.9, 0.13);  // from 5, the average moves 3% of the way: still above 4
    EXPECT_FALSE(s->bandeSu());
}

TEST_F(SentinellaTest, SegueLeMisureDelGiro) {
    piattaforma.blocchi = 1;
    piattaforma.lette.bande = {-20, -20, -20, -20, -20};
    piattaforma.lette.metroIn = {-40, -40, -40, -40, -40};
    orologio.avanza(Macchina::kPeriodo);
    EXPECT_TRUE(s->bandeGiu());
    EXPECT_EQ(s->piccoTenuto(), -40);
    s->trovaLivello();
    m->spegni();  // a stop forgets the measurement
    EXPECT_FALSE(s->misurando());
    EXPECT_EQ(s->piccoTenuto(), -100);
}

}  // namespace
