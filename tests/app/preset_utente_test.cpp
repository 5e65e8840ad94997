#include "preset_utente.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <csignal>
#include <set>

#include "finta_piattaforma.h"

using velmora::Macchina;

namespace {

void scrivi(const QString& percorso, const QByteArray& testo) {
    QDir().mkpath(QFileInfo(percorso).absolutePath());
    QFile f(percorso);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(testo);
}

QByteArray leggi(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PresetTest : public ::testing::Test, public BancoModello {
  protected:
    QString inLavoro(const QString& nome) { return cartelle.lavoro + "/" + nome; }
};

TEST(NumeroPreset, InteriSenzaDecimaliIlRestoSenzaPerdite) {
    EXPECT_EQ(velmora::numeroPreset(0.707), "0.707");
    EXPECT_EQ(velmora::numeroPreset(20000), "20000");
    EXPECT_EQ(velmora::numeroPreset(-12.5), "-12.5");
    EXPECT_EQ(velmora::numeroPreset(-3), "-3");
    EXPECT_EQ(velmora::numeroPreset(999999999), "999999999");
    EXPECT_EQ(velmora::numeroPreset(1e9), "1e+09");
    const double terzo = 3000.0 / 7.0 * 1.6;
    EXPECT_EQ(std::stod(velmora::numeroPreset(terzo)), terzo);
}

TEST_F(PresetTest, IlTestoHa155RigheOrdinate) {
    Macchina& m = crea();
    m.mettiAccMb(false);
    velmora_imposta("o_schiaccia", 2.5);
    velmora_imposta("e_b1q", 0.707);
    const QString testo = QString::fromStdString(m.testoPreset());
    ASSERT_TRUE(testo.startsWith("{\n"));
    ASSERT_TRUE(testo.endsWith("\n}\n"));
    const QStringList righe = testo.mid(2, testo.size() - 5).split(",\n");
    ASSERT_EQ(righe.size(), 155);
    EXPECT_TRUE(std::is_sorted(righe.begin(), righe.end()));
    EXPECT_TRUE(righe.front().startsWith("  \"a_ant\": "));
    EXPECT_TRUE(righe.back().startsWith("  \"x_tosaon\": "));
    EXPECT_TRUE(righe.contains("  \"a_up\": 1"));
    EXPECT_TRUE(righe.contains("  \"m_on\": 0"));
    EXPECT_TRUE(righe.contains("  \"o_schiaccia\": 2.5"));
    EXPECT_TRUE(righe.contains("  \"e_b1q\": 0.707"));
    std::set<QString> chiavi;
    for (const QString& r : righe) chiavi.insert(r.section('"', 1, 1));
    EXPECT_EQ(chiavi.size(), 155u);
}

TEST_F(PresetTest, SalvaERicaricaSenzaPerdere) {
    scrivi(inLavoro("TERVANE-OSTREL.json"), "{\"a_target\": -18}");
    Macchina& m = crea();
    const double strano = 3000.0 / 7.0 * 1.6;
    velmora_imposta("m_ril1", strano);
    velmora_imposta("x_top", 12345);
    m.sincronizza("a_target", -20);  // touched, and stays touched after saving
    const QString percorso = inLavoro("Mio.Suono.json");
    QDir().mkpath(cartelle.lavoro);
    ASSERT_TRUE(m.salvaPreset(percorso));
    EXPECT_EQ(m.nomePreset(), "Mio.Suono");
    EXPECT_EQ(m.messaggio(), "");
    EXPECT_EQ(m.toccati().size(), 3u);

    velmora_imposta("m_ril1", 1);
    ASSERT_TRUE(m.carica(percorso));
    EXPECT_EQ(velmora_leggi("m_ril1", 0), strano);
    EXPECT_EQ(velmora_leggi("x_top", 0), 12345.0);
    EXPECT_TRUE(m.toccati().empty());
}

TEST_F(PresetTest, UnaScritturaFallitaLasciaIlVecchioFile) {
    Macchina& m = crea();
    const QString percorso = inLavoro("buono.json");
    scrivi(percorso, "{\"a_target\": -18}\n");
    m.mettiMessaggio("");
    // Files may not grow past 100 bytes: the new text cannot be written.
    rlimit prima{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &prima), 0);
    const auto segnale = std::signal(SIGXFSZ, SIG_IGN);
    rlimit piccolo = prima;
    piccolo.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &piccolo), 0);
    const bool salvato = m.salvaPreset(percorso);
    setrlimit(RLIMIT_FSIZE, &prima);
    std::signal(SIGXFSZ, segnale);

    EXPECT_FALSE(salvato);
    EXPECT_TRUE(m.messaggio().startsWith("Non sono riuscito a salvare: "));
    EXPECT_EQ(leggi(percorso), "{\"a_target\": -18}\n");
    EXPECT_EQ(QDir(cartelle.lavoro).entryList(QDir::Files), QStringList{"buono.json"});
    EXPECT_EQ(m.nomePreset(), "(nessuno)");
}

TEST_F(PresetTest, SenzaMotoreNonSalva) {
    Macchina& m = crea();
    velmora_distruggi();
    const QString percorso = inLavoro("vuoto.json");
    EXPECT_FALSE(m.salvaPreset(percorso));
    EXPECT_EQ(m.messaggio(), Macchina::kMotoreGiu);
    EXPECT_FALSE(QFile::exists(percorso));
}

TEST_F(PresetTest, CaricaPrendeLaFotografia) {
    Macchina& m = crea();
    scrivi(inLavoro("prova.json"), "{\"a_target\": -20, \"x_top\": 5000}");
    m.mettiMessaggio("resta");
    const int revisione = m.revisione(), tocchi = m.revisioneTocchi();
    ASSERT_TRUE(m.carica(inLavoro("prova.json")));
    EXPECT_EQ(m.nomePreset(), "prova");
    EXPECT_EQ(m.revisione(), revisione + 1);
    EXPECT_EQ(m.revisioneTocchi(), tocchi + 1);
    EXPECT_EQ(m.messaggio(), "resta");
    EXPECT_EQ(m.partenza().size(), velmora::COMANDI.size());
    EXPECT_EQ(m.partenza().at("a_target"), -20.0);
    // A key the preset lacks is recorded at its catalogue default.
    EXPECT_FALSE(velmora_ha("a_up"));
    EXPECT_EQ(m.partenza().at("a_up"), velmora::PREDEFINITI("a_up"));
    EXPECT_EQ(m.partenza().count("m_on"), 0u);
}

TEST_F(PresetTest, UnCaricamentoFallitoNonCambiaNiente) {
    Macchina& m = crea();
    scrivi(inLavoro("prova.json"), "{\"a_target\": -20}");
    ASSERT_TRUE(m.carica(inLavoro("prova.json")));
    m.imposta("x_top", 7000);
    const auto partenza = m.partenza();
    const int revisione = m.revisione();
    scrivi(inLavoro("rotto.json"), "{\"a_target\": -3,");
    EXPECT_FALSE(m.carica(inLavoro("rotto.json")));
    EXPECT_EQ(m.messaggio(), "Il preset non si e' caricato: rotto.json");
    EXPECT_FALSE(m.carica(inLavoro("non_esiste.json")));
    EXPECT_EQ(m.messaggio(), "Il preset non si e' caricato: non_esiste.json");
    EXPECT_EQ(m.nomePreset(), "prova");
    EXPECT_EQ(m.partenza(), partenza);
    EXPECT_EQ(m.revisione(), revisione);
    EXPECT_EQ(m.valore("a_target"), -20.0);
    EXPECT_EQ(m.valore("x_top"), 7000.0);
}

TEST_F(PresetTest, DovePrendeIlPresetDiPartenza) {
    scrivi(cartelle.risorse + "/TERVANE-OSTREL.json", "{\"a_target\": -11}");
    EXPECT_EQ(crea().nomePreset(), "TERVANE-OSTREL");
    EXPECT_EQ(velmora_leggi("a_target", 0), -11.0);
    macchina.reset();

    scrivi(cartelle.dati[0] + "/Velmora_TervaneOstrel.json", "{\"a_target\": -12}");
    EXPECT_EQ(crea().nomePreset(), "Velmora_TervaneOstrel");
    macchina.reset();

    scrivi(inLavoro("Velmora_TervaneOstrel.json"), "{\"a_target\": -13}");
    scrivi(inLavoro("VelmoraDL14AGO.json"), "{\"a_target\": -14}");
    EXPECT_EQ(crea().nomePreset(), "VelmoraDL14AGO");
    EXPECT_EQ(velmora_leggi("a_target", 0), -14.0);
}

// A damaged copy in the working folder does not leave the user on the bare engine defaults.
TEST_F(PresetTest, UnaCopiaRottaCedeIlPostoAllaProssima) {
    scrivi(inLavoro("TERVANE-OSTREL.json"), "{\"a_target\": ");
    scrivi(cartelle.risorse + "/TERVANE-OSTREL.json", "{\"a_target\": -11}");
    Macchina& m = crea();
    EXPECT_EQ(velmora_leggi("a_target", 0), -11.0);
    EXPECT_EQ(m.nomePreset(), "TERVANE-OSTREL");
}

// The stage switches are the listener's: a preset that says otherwise does not silently turn a
// stage back on behind a switch that shows it off.
TEST_F(PresetTest, GliInterruttoriRestanoQuelliDellUtente) {
    Macchina& m = crea();
    m.mettiAccEq(false);
    m.mettiAccBan(false);
    scrivi(inLavoro("tutto.json"), "{\"e_on\": 1, \"m_ban\": 1, \"x_on\": 0}");
    ASSERT_TRUE(m.carica(inLavoro("tutto.json")));
    EXPECT_EQ(velmora_leggi("e_on", -1), 0.0);
    EXPECT_EQ(velmora_leggi("m_ban", -1), 0.0);
    EXPECT_EQ(velmora_leggi("x_on", -1), 1.0);
    EXPECT_FALSE(m.accEq());
}

// Keys without a control that a loaded preset set survive a save, so the sound does not change.
TEST_F(PresetTest, LeChiaviSenzaComandoSopravvivonoAlSalvataggio) {
    Macchina& m = crea();
    scrivi(inLavoro("esperto.json"), "{\"m_out\": -1.5, \"x_bsrel\": 80}");
    ASSERT_TRUE(m.carica(inLavoro("esperto.json")));
    const std::string testo = m.testoPreset();
    EXPECT_NE(testo.find("\"m_out\": -1.5"), std::string::npos);
    EXPECT_NE(testo.find("\"x_bsrel\": 80"), std::string::npos);
    EXPECT_EQ(testo.find("a_down"), std::string::npos);  // absent: not invented
}

TEST_F(PresetTest, SenzaPresetDiPartenzaRestaNessuno) {
    Macchina& m = crea();
    EXPECT_EQ(m.nomePreset(), "(nessuno)");
    EXPECT_TRUE(m.partenza().empty());
    m.imposta("a_target", -30);
    EXPECT_TRUE(m.toccati().empty());
    m.tornaAllaPartenza();  // nothing to go back to: said, not pretended
    EXPECT_EQ(m.allarme(), "");
    EXPECT_FALSE(m.messaggio().isEmpty());
}

TEST_F(PresetTest, SuoniDelPacchetto) {
    Macchina& m = crea();
    scrivi(cartelle.risorse + "/2-radio.json", "{\"a_target\": -16}");
    scrivi(cartelle.risorse + "/3-forte.json", "non e' json");
    m.caricaDalPacchetto("2-radio");
    EXPECT_EQ(m.nomePreset(), "2-radio");
    EXPECT_EQ(m.valore("a_target"), -16.0);
    m.caricaDalPacchetto("3-forte");  // the name is shown beside the failure
    EXPECT_EQ(m.nomePreset(), "3-forte");
    EXPECT_EQ(m.messaggio(), "Il preset non si e' caricato: 3-forte.json");
    m.mettiMessaggio("");
    m.caricaDalPacchetto("1-morbido");  // missing: silent
    EXPECT_EQ(m.nomePreset(), "3-forte");
    EXPECT_EQ(m.messaggio(), "");
}

TEST_F(PresetTest, LeCopieIncluseNelProgramma) {
    const velmora::CartellePreset vere = velmora::CartellePreset::predefinite();
    if (!QFile::exists(vere.risorse + "/TERVANE-OSTREL.json"))
        GTEST_SKIP() << "no built-in presets";
    cartelle.risorse = vere.risorse;
    Macchina& m = crea();
    EXPECT_EQ(m.nomePreset(), "TERVANE-OSTREL");
    EXPECT_EQ(m.messaggio(), "");
    for (const auto& s : Macchina::treSuoni()) {
        m.caricaDalPacchetto(s.file);
        EXPECT_EQ(m.messaggio(), "") << s.file.toStdString();
    }
}

TEST_F(PresetTest, AvvisoDelRitornoSiCancellaDopoCinqueSecondi) {
    scrivi(inLavoro("TERVANE-OSTREL.json"), "{\"a_target\": -18}");
    Macchina& m = crea();
    m.tornaAllaPartenza();
    EXPECT_EQ(m.allarme(), "Rimesso il preset di partenza.");
    orologio.avanza(2);
    m.tornaAllaPartenza();
    orologio.avanza(2.9);
    EXPECT_EQ(m.allarme(), "Rimesso il preset di partenza.");
    orologio.avanza(0.2);  // the first timer finds the same text
    EXPECT_EQ(m.allarme(), "");

    m.mettiItaliano(false);
    m.tornaAllaPartenza();
    EXPECT_EQ(m.allarme(), "Back to the stock preset.");
    m.mettiAllarme("un altro avviso");
    orologio.avanza(6);
    EXPECT_EQ(m.allarme(), "un altro avviso");
}

TEST_F(PresetTest, SoglieDeiToccati) {
    scrivi(inLavoro("TERVANE-OSTREL.json"), "{\"m_lock\": 0, \"x_top\": 5000}");
    Macchina& m = crea();
    const velmora::Comando* top = velmora::trova("x_top");
    ASSERT_NE(top, nullptr);
    const double sogliaTop = std::max((top->max - top->min) * 0.0005, 0.001);
    m.imposta("m_lock", 0.001);
    m.imposta("x_top", 5000 + sogliaTop * 0.99);
    EXPECT_TRUE(m.toccati().empty());
    m.imposta("m_lock", 0.0011);
    m.imposta("x_top", 5000 + sogliaTop * 1.01);
    const auto t = m.toccati();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_LT(t[0].comando, t[1].comando);  // table order
    EXPECT_EQ(t[0].comando->id == "m_lock" ? t[1].comando->id : t[0].comando->id, "x_top");
    for (const auto& x : t) EXPECT_NE(x.partenza, x.adesso);
}

TEST_F(PresetTest, RimettereUnoOTutti) {
    scrivi(inLavoro("TERVANE-OSTREL.json"), "{\"a_target\": -18, \"x_top\": 5000}");
    Macchina& m = crea();
    m.imposta("a_target", -25);
    m.imposta("x_top", 8000);
    m.imposta("e_b1db", 3);
    ASSERT_EQ(m.toccati().size(), 3u);
    const int r = m.revisione(), rt = m.revisioneTocchi();
    m.rimetti("a_target");
    EXPECT_EQ(m.revisione(), r + 1);
    EXPECT_EQ(m.revisioneTocchi(), rt + 1);
    EXPECT_EQ(m.valore("a_target"), -18.0);
    EXPECT_EQ(m.toccati().size(), 2u);
    m.rimetti("non_esiste");
    EXPECT_EQ(m.revisione(), r + 1);

    m.rimettiTutto();
    EXPECT_TRUE(m.toccati().empty());
    EXPECT_EQ(m.revisione(), r + 3);
    EXPECT_EQ(m.revisioneTocchi(), rt + 2);
    EXPECT_EQ(m.valore("x_top"), 5000.0);
    EXPECT_EQ(m.valore("e_b1db"), velmora::PREDEFINITI("e_b1db"));
}

}  // namespace
