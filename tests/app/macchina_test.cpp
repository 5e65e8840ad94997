#include "macchina.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "finta_piattaforma.h"

using velmora::Macchina;

namespace {

class MacchinaTest : public ::testing::Test, public BancoModello {
  protected:
    // n poll ticks.
    void tic(int n = 1) { orologio.avanza(Macchina::kPeriodo * n); }
    double pre() const { return velmora_leggi("g_pre", 0); }
};

const velmora::Passo* passo(const Macchina& m, const QString& id) {
    for (const auto& p : m.controllo())
        if (p.id == id) return &p;
    return nullptr;
}

TEST(Versione, ConfrontaNumeroPerNumero) {
    EXPECT_TRUE(velmora::almeno("0.3.64", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("0.3.65-rc1", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("1.0", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("0.10.0", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("0.3.63", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("0.2.99", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("sconosciuta", 0, 3, 64));
}

TEST_F(MacchinaTest, ControlloPassaQuandoTuttoC_e) {
    Macchina& m = crea();
    ASSERT_EQ(m.controllo().size(), 4);
    EXPECT_EQ(m.controllo()[0].id, "os");
    EXPECT_EQ(m.controllo()[1].id, "uscite");
    EXPECT_EQ(m.controllo()[2].id, "solo");
    EXPECT_EQ(m.controllo()[3].id, "permesso");
    EXPECT_TRUE(m.tuttoBene());
    EXPECT_EQ(passo(m, "permesso")->apre, QString("file:///x/gnome-sound-panel.desktop"));
    m.apriImpostazioni(*passo(m, "permesso")->apre);
    EXPECT_EQ(piattaforma.aperti.back(), "file:///x/gnome-sound-panel.desktop");
}

TEST_F(MacchinaTest, PipeWireVecchioFermaAncheIlPermessoSenzaChiederlo) {
    piattaforma.versione = {"0.3.65", "0.3.48"};
    Macchina& m = crea();
    EXPECT_FALSE(passo(m, "os")->esito);
    EXPECT_TRUE(passo(m, "os")->rimedio.contains("0.3.48"));
    EXPECT_FALSE(passo(m, "permesso")->esito);
    EXPECT_EQ(piattaforma.permessiChiesti, 0);
    EXPECT_FALSE(m.tuttoBene());

    // A library older than needed fails too; an unreachable server says so instead.
    piattaforma.versione = {"0.3.50", "0.3.70"};
    m.controlla();
    EXPECT_FALSE(passo(m, "os")->esito);
    piattaforma.versione = {"0.3.65", ""};
    m.controlla();
    EXPECT_FALSE(passo(m, "os")->esito);
    EXPECT_TRUE(passo(m, "os")->rimedio.startsWith("Non trovo il server audio PipeWire"));
    piattaforma.versione = {"0.3.65", "1.0.5"};
    m.controlla();
    EXPECT_TRUE(passo(m, "os")->esito);
    EXPECT_TRUE(m.tuttoBene());
    EXPECT_EQ(piattaforma.permessiChiesti, 1);
}

TEST_F(MacchinaTest, UsciteAltraCopiaEPermessoNegato) {
    piattaforma.elenco = std::string("");
    piattaforma.altro = true;
    piattaforma.permessoDato = false;
    Macchina& m = crea();
    EXPECT_FALSE(passo(m, "uscite")->esito);
    EXPECT_FALSE(passo(m, "solo")->esito);
    EXPECT_FALSE(passo(m, "permesso")->esito);
    EXPECT_TRUE(passo(m, "os")->esito);
}

TEST_F(MacchinaTest, UscitaRicordataPerNome) {
    Macchina& m = crea();
    EXPECT_EQ(m.uscite(), QStringList({"Cuffie", "Altoparlanti"}));
    EXPECT_EQ(m.uscitaScelta(), 1);  // the system default
    m.mettiUscitaScelta(0);
    m.ricordaUscita();
    EXPECT_EQ(impostazioni.value("uscitaNome").toString(), "Cuffie");

    // Next launch: the devices came back in another order; the name wins.
    macchina.reset();
    piattaforma.elenco = std::string("USB\nAltoparlanti\nCuffie");
    EXPECT_EQ(crea().uscitaScelta(), 2);
}

TEST_F(MacchinaTest, UscitaRicordataSparitaRipiegaSullaPredefinita) {
    impostazioni.setValue("uscitaNome", "Scheda scollegata");
    EXPECT_EQ(crea().uscitaScelta(), 1);
    macchina.reset();
    piattaforma.predefinita = -1;
    EXPECT_EQ(crea().uscitaScelta(), 0);
    macchina.reset();
    piattaforma.predefinita = 7;
    EXPECT_EQ(crea().uscitaScelta(), 0);
}

TEST_F(MacchinaTest, LaSceltaInizialeSiFaUnaVoltaSola) {
    Macchina& m = crea();
    ASSERT_EQ(m.uscitaScelta(), 1);
    piattaforma.predefinita = 0;
    piattaforma.elenco = std::string("Cuffie\nAltoparlanti\nHDMI");
    m.leggiUscite();
    EXPECT_EQ(m.uscite().size(), 3);
    EXPECT_EQ(m.uscitaScelta(), 1);
    piattaforma.elenco.reset();  // an unreadable list keeps the last one
    m.leggiUscite();
    EXPECT_EQ(m.uscite().size(), 3);
    m.mettiUscitaScelta(9);
    m.ricordaUscita();  // out of range: nothing stored
    EXPECT_FALSE(impostazioni.contains("uscitaNome"));
}

TEST_F(MacchinaTest, AccendiESpegni) {
    Macchina& m = crea();
    QSignalSpy accesa(&m, &Macchina::accesaCambiata);
    m.mettiMessaggio("vecchio");
    m.accendi();
    EXPECT_TRUE(m.accesa());
    EXPECT_EQ(m.messaggio(), "");
    EXPECT_EQ(piattaforma.avviiChiesti, std::vector<uint32_t>{42});
    EXPECT_EQ(orologio.battiti(), 1u);
    m.accendi();  // already running: still a single poll
    EXPECT_EQ(orologio.battiti(), 1u);
    m.spegni();
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(orologio.battiti(), 0u);
    EXPECT_EQ(accesa.count(), 2);
    m.spegni();  // safe when stopped
    EXPECT_EQ(accesa.count(), 2);
}

TEST_F(MacchinaTest, AccendiRifiutaOSpiegaPerche) {
    Macchina& m = crea();
    piattaforma.altro = true;
    m.accendi();
    EXPECT_EQ(m.messaggio(), Macchina::kAltroAperto);
    EXPECT_TRUE(piattaforma.avviiChiesti.empty());

    piattaforma.altro = false;
    piattaforma.avviaRiesce = false;
    m.accendi();
    EXPECT_EQ(m.messaggio(), Macchina::kNonCattura);
    piattaforma.testoErrore = "Il server audio non risponde.";
    m.accendi();
    EXPECT_EQ(m.messaggio(), "Il server audio non risponde.");
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(orologio.battiti(), 0u);
}

TEST_F(MacchinaTest, SenzaIdRileggeLeUsciteEProvaLaPredefinita) {
    piattaforma.id.clear();
    Macchina& m = crea();
    m.accendi();
    EXPECT_EQ(piattaforma.avviiChiesti, std::vector<uint32_t>{0});
    EXPECT_TRUE(m.accesa());
}

TEST_F(MacchinaTest, CaneDaGuardiaDopoSeicentoTicMuti) {
    Macchina& m = crea();
    piattaforma.blocchi = 10;
    m.accendi();
    tic(300);
    piattaforma.blocchi = 11;  // audio arrived: the count starts again
    tic(600);
    EXPECT_TRUE(m.accesa());
    tic(1);
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(m.allarme(), Macchina::kSilenzio);
    EXPECT_EQ(piattaforma.fermate, 1);
    EXPECT_EQ(orologio.battiti(), 0u);
}

TEST_F(MacchinaTest, CaneDaGuardiaSullaPresaSparita) {
    Macchina& m = crea();
    m.accendi();
    piattaforma.blocchi = 5;
    tic(1);
    piattaforma.presaViva = false;  // counts still moving: not checked yet
    piattaforma.blocchi = 6;
    tic(1);
    EXPECT_TRUE(m.accesa());
    tic(1);
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(m.allarme(), Macchina::kPresaSparita);
    EXPECT_FALSE(piattaforma.attiva);
}

TEST_F(MacchinaTest, MisureSoloOltreLeSoglie) {
    Macchina& m = crea();
    velmora::Misure& mis = m.misure();
    QSignalSpy giro(&mis, &velmora::Misure::giroCambiato);

    ingresso(-20);
    m.battito();
    EXPECT_EQ(mis.metroIn[0], -20.0f);
    EXPECT_EQ(giro.count(), 1);

    ingresso(-20.4f);  // every element under 0.5: nothing
    piattaforma.lette.bande = {0.29f, 0, 0, 0, 0};
    piattaforma.lette.livelli[2] = -99.35f;
    m.battito();
    EXPECT_EQ(giro.count(), 1);
    EXPECT_EQ(mis.metroIn[1], -20.0);

    piattaforma.lette.metroIn[3] = -21;  // one element over: the whole list moves
    m.battito();
    EXPECT_EQ(giro.count(), 2);
    EXPECT_FLOAT_EQ(static_cast<float>(mis.metroIn[0]), -20.4f);
    EXPECT_EQ(mis.metroIn[3], -21.0);

    piattaforma.lette.bande[0] = 0.31f;
    piattaforma.lette.livelli[2] = -99.2f;
    piattaforma.lette.agc = -5;
    m.battito();  // several fields, one bump
    EXPECT_EQ(giro.count(), 3);
    EXPECT_FLOAT_EQ(mis.bande[0], 0.31f);
    EXPECT_FLOAT_EQ(mis.livelli[2], -99.2f);
    EXPECT_EQ(mis.agc, -5.0f);
}

TEST_F(MacchinaTest, DifferenzaSoloConIngressoUdibile) {
    Macchina& m = crea();
    ingresso(-75);
    piattaforma.lette.metroOut[4] = -60;
    m.battito();
    EXPECT_EQ(m.misure().differenza, 0.0);
    ingresso(-30);
    piattaforma.lette.metroOut[4] = -24;
    m.battito();
    EXPECT_DOUBLE_EQ(m.misure().differenza, 6.0);
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaSaleAlBersaglioSenzaScappare) {
    Macchina& m = crea();
    velmora_imposta("g_porta", 0);
    velmora_imposta("g_pre", 0);
    ingresso(-30);  // the chain wants the peaks at -12: +18 dB
    m.accendi();
    double prima = pre();
    double passato = 0;
    bool lento = false;
    for (int i = 0; i < 1500; ++i) {
        tic();
        passato += Macchina::kPeriodo;
        const double ora = pre();
        if (ora > prima) {
            // Never faster than 3 dB/s; within 6 dB of the target, never faster than 0.33 dB/s.
            EXPECT_LE(ora, 3.0 * passato + 1e-9);
            if (lento) {
                EXPECT_LE(ora - prima, 0.33 * 0.53);
            }
            lento = lento || ora >= 12.0;
        }
        prima = ora;
        piattaforma.blocchi += 1;
    }
    EXPECT_TRUE(lento);
    EXPECT_NEAR(pre(), 18.0, 0.05);  // and it stays there
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaSiFerma) {
    Macchina& m = crea();
    velmora_imposta("g_pre", 0);
    // Silence never moves it.
    ingresso(-90);
    m.accendi();
    tic(40);
    EXPECT_EQ(pre(), 0.0);
    m.spegni();
    // Not running.
    ingresso(-30);
    for (int i = 0; i < 20; ++i) m.battito();
    EXPECT_EQ(pre(), 0.0);
    m.accendi();
    // The look-ahead gate does the job itself.
    velmora_imposta("g_porta", 1);
    tic(40);
    EXPECT_EQ(pre(), 0.0);
    // Switched off.
    velmora_imposta("g_porta", 0);
    m.mettiPreAuto(false);
    tic(40);
    EXPECT_EQ(pre(), 0.0);
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaScendeEDopoUnaPausaNonSalta) {
    Macchina& m = crea();
    velmora_imposta("g_pre", 0);
    ingresso(-1);          // too loud: -11 dB wanted, quickly down to within 6 dB, then slowly
    orologio.avanza(600);  // ten minutes before the start
    m.accendi();
    const int revisione = m.revisione();
    tic(5);
    EXPECT_GE(pre(), -3.0 - 1e-9);  // the first step is that of one second at most
    tic(35);
    EXPECT_LT(pre(), -6.0);  // fast to within 6 dB of -11, then 0.33 dB/s
    EXPECT_GT(pre(), -8.0);
    EXPECT_EQ(m.revisione(), revisione);  // widgets are not told
}

TEST_F(MacchinaTest, InterruttoriScrivonoLaChiaveOgniVolta) {
    Macchina& m = crea();
    EXPECT_FALSE(velmora_ha("e_on"));  // construction writes nothing
    m.mettiAccMb(false);
    EXPECT_EQ(velmora_leggi("m_on", -1), 0.0);
    velmora_imposta("m_on", 1);
    m.mettiAccMb(false);  // same value: written again
    EXPECT_EQ(velmora_leggi("m_on", -1), 0.0);
    m.mettiAccEq(true);
    m.mettiAccAgc(false);
    m.mettiAccCom(false);
    m.mettiAccBan(false);
    m.mettiAccMax(false);
    EXPECT_EQ(velmora_leggi("e_on", -1), 1.0);
    EXPECT_EQ(velmora_leggi("a_on", -1), 0.0);
    EXPECT_EQ(velmora_leggi("m_com", -1), 0.0);
    EXPECT_EQ(velmora_leggi("m_ban", -1), 0.0);
    EXPECT_EQ(velmora_leggi("x_on", -1), 0.0);
    m.mettiLavora(false);
    EXPECT_FALSE(velmora_acceso());
    m.mettiLavora(true);
    EXPECT_TRUE(velmora_acceso());
}

TEST_F(MacchinaTest, ValoriERevisione) {
    Macchina& m = crea();
    EXPECT_EQ(m.valore("a_target"), velmora::PREDEFINITI("a_target"));
    EXPECT_EQ(m.valore("non_esiste"), 0.0);
    EXPECT_EQ(m.valore("non_esiste", 7.5), 7.5);
    const int r = m.revisione();
    m.imposta("a_target", -20);
    EXPECT_EQ(m.revisione(), r);
    m.sincronizza("a_target", -21);
    EXPECT_EQ(m.revisione(), r + 1);
    EXPECT_TRUE(m.ha("a_target"));
    EXPECT_EQ(m.valore("a_target"), -21.0);
}

TEST_F(MacchinaTest, LApplicazioneDifferitaPassaDallOrologio) {
    crea();
    const auto prima = orologio.inAttesa();
    velmora_imposta("a_target", -20);
    velmora_imposta("a_target", -22);
    EXPECT_EQ(orologio.inAttesa(), prima + 1);
    orologio.avanza(0.025);
    EXPECT_EQ(orologio.inAttesa(), prima);
}

TEST_F(MacchinaTest, EtichetteDelleBande) {
    Macchina& m = crea();
    EXPECT_EQ(m.etichettaBanda(0), "36-100");
    EXPECT_EQ(m.etichettaBanda(1), "100-400");
    EXPECT_EQ(m.etichettaBanda(2), "400-1.5k");
    EXPECT_EQ(m.etichettaBanda(3), "1.5k-5.0k");
    EXPECT_EQ(m.etichettaBanda(4), "5.0k-20.0k");
    EXPECT_EQ(m.etichettaBanda(5), "");
    m.imposta("m_xo2", 999.6);
    EXPECT_EQ(m.etichettaBanda(1), "100-1000");
}

}  // namespace
