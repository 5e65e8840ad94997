#include "macchina.h"

#include <gtest/gtest.h>

#include "finta_piattaforma.h"

using velmora::Macchina;

namespace {

class MacchinaTest : public ::testing::Test, public BancoModello {
  protected:
    void tic(int n = 1) { orologio.avanza(Macchina::kPeriodo * n); }
    double pre() const { return velmora_leggi("g_pre", 0); }
    // The checklist's outcomes in order, e.g. "os+ uscite- solo+ permesso+".
    static std::string esiti(const Macchina& m) {
        std::string s;
        for (const auto& p : m.controllo()) s += p.id.toStdString() + (p.esito ? "+ " : "- ");
        return s;
    }
};

TEST_F(MacchinaTest, Controllo) {
    Macchina& m = crea();
    EXPECT_EQ(esiti(m), "os+ uscite+ solo+ permesso+ ");
    EXPECT_TRUE(m.tuttoBene());
    EXPECT_EQ(m.controllo()[3].apre, QString("file:///x/gnome-sound-panel.desktop"));

    // An old server fails "os" and "permesso", without asking for the latter.
    piattaforma.versione = {"0.3.65", "0.3.48"};
    m.controlla();
    EXPECT_EQ(esiti(m), "os- uscite+ solo+ permesso- ");
    EXPECT_TRUE(m.controllo()[0].rimedio.contains("0.3.48"));
    EXPECT_EQ(piattaforma.permessiChiesti, 1);
    EXPECT_FALSE(m.tuttoBene());
    piattaforma.versione = {"0.3.50", "1.0.5"};  // an old library too
    m.controlla();
    EXPECT_EQ(esiti(m), "os- uscite+ solo+ permesso- ");
    piattaforma.versione = {"0.3.65", ""};  // no server: said so
    m.controlla();
    EXPECT_TRUE(m.controllo()[0].rimedio.startsWith("Non trovo il server audio PipeWire"));

    piattaforma.versione = {"0.3.65", "1.0.5"};
    piattaforma.elenco = std::string("");
    piattaforma.altro = true;
    piattaforma.permessoDato = false;
    m.controlla();
    EXPECT_EQ(esiti(m), "os+ uscite- solo- permesso- ");
}

TEST_F(MacchinaTest, UscitaRicordataPerNomeConRipieghi) {
    Macchina& m = crea();
    EXPECT_EQ(m.uscite(), QStringList({"Cuffie", "Altoparlanti"}));
    EXPECT_EQ(m.uscitaScelta(), 1);  // the system default
    m.mettiUscitaScelta(0);
    m.ricordaUscita();
    // Next launch: the devices came back in another order; the name wins.
    macchina.reset();
    piattaforma.elenco = std::string("USB\nAltoparlanti\nCuffie");
    EXPECT_EQ(crea().uscitaScelta(), 2);

    // A remembered device that is gone: the default, or 0 when there is none or it is off.
    impostazioni.setValue("uscitaNome", "Scheda scollegata");
    for (int predefinita : {1, -1, 7}) {
        macchina.reset();
        piattaforma.predefinita = predefinita;
        EXPECT_EQ(crea().uscitaScelta(), predefinita == 1 ? 1 : 0);
    }
}

TEST_F(MacchinaTest, LaSceltaInizialeSiFaUnaVoltaSola) {
    Macchina& m = crea();
    piattaforma.predefinita = 0;
    piattaforma.elenco = std::string("Cuffie\nAltoparlanti\nHDMI");
    m.leggiUscite();
    EXPECT_EQ(m.uscite().size(), 3);
    EXPECT_EQ(m.uscitaScelta(), 1);
    piattaforma.elenco.reset();  // an unreadable list keeps the last one
    m.leggiUscite();
    EXPECT_EQ(m.uscite().size(), 3);
}

TEST_F(MacchinaTest, AccendiESpegni) {
    Macchina& m = crea();
    piattaforma.altro = true;
    m.accendi();
    EXPECT_EQ(m.messaggio(), Macchina::kAltroAperto);
    piattaforma.altro = false;
    piattaforma.avviaRiesce = false;
    m.accendi();
    EXPECT_EQ(m.messaggio(), Macchina::kNonCattura);
    piattaforma.testoErrore = "Il server audio non risponde.";
    m.accendi();
    EXPECT_EQ(m.messaggio(), "Il server audio non risponde.");
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(orologio.battiti(), 0u);

    piattaforma.avviaRiesce = true;
    m.accendi();
    EXPECT_TRUE(m.accesa());
    EXPECT_EQ(m.messaggio(), "");
    EXPECT_EQ(piattaforma.avviiChiesti, (std::vector<uint32_t>{42, 42, 42}));
    m.accendi();  // already running: still a single poll
    EXPECT_EQ(orologio.battiti(), 1u);
    m.spegni();
    EXPECT_FALSE(m.accesa());
    EXPECT_EQ(orologio.battiti(), 0u);
    m.spegni();  // safe when stopped
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
    ingresso(-20);
    m.battito();
    EXPECT_EQ(mis.giro(), 1);

    ingresso(-20.4f);  // every element under its threshold: nothing
    piattaforma.lette.bande = {0.29f, 0, 0, 0, 0};
    piattaforma.lette.livelli[2] = -99.35f;
    m.battito();
    EXPECT_EQ(mis.giro(), 1);
    EXPECT_EQ(mis.metroIn[1], -20.0);

    piattaforma.lette.metroIn[3] = -21;  // one element over: the whole list moves
    piattaforma.lette.bande[0] = 0.31f;
    piattaforma.lette.livelli[2] = -99.2f;
    m.battito();  // several fields, one bump
    EXPECT_EQ(mis.giro(), 2);
    EXPECT_FLOAT_EQ(static_cast<float>(mis.metroIn[0]), -20.4f);
    EXPECT_FLOAT_EQ(mis.bande[0], 0.31f);
    EXPECT_FLOAT_EQ(mis.livelli[2], -99.2f);

    ingresso(-75);  // the in/out difference only counts with audible input
    piattaforma.lette.metroOut[4] = -60;
    m.battito();
    EXPECT_EQ(mis.differenza, 0.0);
    ingresso(-30);
    piattaforma.lette.metroOut[4] = -24;
    m.battito();
    EXPECT_DOUBLE_EQ(mis.differenza, 6.0);
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaSaleAlBersaglioSenzaScappare) {
    Macchina& m = crea();
    velmora_imposta("g_pre", 0);
    ingresso(-30);  // the chain wants the peaks at -12: +18 dB
    m.accendi();
    double prima = pre(), passato = 0;
    bool lento = false;
    for (int i = 0; i < 1500; ++i) {
        tic();
        passato += Macchina::kPeriodo;
        const double ora = pre();
        // Never faster than 3 dB/s; within 6 dB of the target, never faster than 0.33 dB/s.
        EXPECT_LE(ora, 3.0 * passato + 1e-9);
        if (lento) {
            EXPECT_LE(ora - prima, 0.33 * 0.53);
        }
        lento = lento || ora >= 12.0;
        prima = ora;
        piattaforma.blocchi += 1;
    }
    EXPECT_NEAR(pre(), 18.0, 0.05);  // and it stays there
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaFerma) {
    Macchina& m = crea();
    velmora_imposta("g_pre", 0);
    ingresso(-90);  // silence
    m.accendi();
    tic(40);
    m.spegni();
    ingresso(-30);
    for (int i = 0; i < 20; ++i) m.battito();  // not running
    m.accendi();
    velmora_imposta("g_porta", 1);  // the look-ahead gate does the job itself
    tic(40);
    velmora_imposta("g_porta", 0);
    m.mettiPreAuto(false);
    tic(40);
    EXPECT_EQ(pre(), 0.0);
}

TEST_F(MacchinaTest, PreamplificazioneAutomaticaScendeEDopoUnaPausaNonSalta) {
    Macchina& m = crea();
    velmora_imposta("g_pre", 0);
    ingresso(-1);          // too loud: -11 dB wanted
    orologio.avanza(600);  // ten minutes before the start
    m.accendi();
    const int revisione = m.revisione();
    tic(5);
    EXPECT_GE(pre(), -3.0 - 1e-9);  // the first step is that of one second at most
    tic(35);
    EXPECT_LT(pre(), -6.0);  // fast to within 6 dB, then 0.33 dB/s
    EXPECT_GT(pre(), -8.0);
    EXPECT_EQ(m.revisione(), revisione);  // widgets are not told
}

TEST_F(MacchinaTest, InterruttoriScrivonoLaChiaveOgniVolta) {
    Macchina& m = crea();
    EXPECT_FALSE(velmora_ha("e_on"));  // construction writes nothing
    m.mettiAccMb(false);
    velmora_imposta("m_on", 1);
    m.mettiAccMb(false);  // same value: written again
    m.mettiAccEq(true);
    m.mettiAccMax(false);
    EXPECT_EQ(velmora_leggi("m_on", -1), 0.0);
    EXPECT_EQ(velmora_leggi("e_on", -1), 1.0);
    EXPECT_EQ(velmora_leggi("x_on", -1), 0.0);
    m.mettiLavora(false);
    EXPECT_FALSE(velmora_acceso());
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
    QStringList e;
    for (int i = 0; i <= 5; ++i) e << m.etichettaBanda(i);
    EXPECT_EQ(e.join(' '), "36-100 100-400 400-1.5k 1.5k-5.0k 5.0k-20.0k ");
    m.imposta("m_xo2", 999.6);
    EXPECT_EQ(m.etichettaBanda(1), "100-1000");
}

}  // namespace
