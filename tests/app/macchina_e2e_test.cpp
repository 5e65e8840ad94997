// The model against a private PipeWire server with a null sink "fake_headphones": start, meters
// moving while a tone plays through the system output, stop giving the default sink back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "macchina.h"
#include "velmora.h"

namespace {

QString gCartella;  // the environment's folder, when this test started it
bool gPronto = false;

QString esegui(const QString& programma, const QStringList& argomenti, int attesaMs = 10000) {
    QProcess p;
    p.start(programma, argomenti);
    if (!p.waitForFinished(attesaMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString sinkPredefinito() {
    return esegui("wpctl", {"inspect", "@DEFAULT_AUDIO_SINK@"});
}

// Runs the event loop until `fatto` or the time runs out.
bool aspetta(const std::function<bool()>& fatto, int ms) {
    QElapsedTimer t;
    t.start();
    while (!fatto()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class MacchinaE2e : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsSet("VELMORA_PW_DIR")) {  // already inside one
            gPronto = true;
            return;
        }
        QTemporaryDir cartella("/tmp/velmora-pw.XXXXXX");
        cartella.setAutoRemove(false);
        gCartella = cartella.path();
        const QString uscita =
            esegui(QStringLiteral(VELMORA_SORGENTE "/scripts/pipewire_ambiente.sh"),
                   {"avvia", gCartella}, 30000);
        static const QRegularExpression assegna("(\\w+)='([^']*)'");
        for (auto it = assegna.globalMatch(uscita); it.hasNext();) {
            const auto m = it.next();
            qputenv(m.captured(1).toUtf8().constData(), m.captured(2).toUtf8());
        }
        qunsetenv("PIPEWIRE_REMOTE");
        qunsetenv("PULSE_SERVER");
        gPronto = uscita.contains("VELMORA_PW_DIR");
    }
    static void TearDownTestSuite() {
        if (!gCartella.isEmpty())
            esegui(QStringLiteral(VELMORA_SORGENTE "/scripts/pipewire_ambiente.sh"),
                   {"ferma", gCartella}, 30000);
    }
};

TEST_F(MacchinaE2e, AccendeMisuraESpegne) {
    if (!gPronto) GTEST_SKIP() << "no private PipeWire environment";
    static int argc = 1;
    static char nome[] = "macchina_e2e_test";
    static char* argv[] = {nome, nullptr};
    QCoreApplication app(argc, argv);

    QTemporaryDir cartella;
    QSettings impostazioni(cartella.filePath("impostazioni.ini"), QSettings::IniFormat);
    velmora::Ambiente a;
    a.impostazioni = &impostazioni;
    velmora::CartellePreset c = velmora::CartellePreset::predefinite();
    c.lavoro = cartella.filePath("lavoro");
    c.dati.clear();
    a.cartelle = c;
    velmora_distruggi();
    auto m = std::make_unique<velmora::Macchina>(a);

    ASSERT_FALSE(m->controllo().isEmpty());
    EXPECT_TRUE(m->controllo()[0].esito) << m->controllo()[0].rimedio.toStdString();
    const auto cuffie = m->uscite().indexOf("fake_headphones");
    ASSERT_GE(cuffie, 0) << m->uscite().join(u',').toStdString();
    m->mettiUscitaScelta(static_cast<int>(cuffie));
    m->ricordaUscita();

    m->accendi();
    if (m->messaggio() == velmora::Macchina::kAltroAperto)
        GTEST_SKIP() << "another Velmora of this user is running";
    ASSERT_TRUE(m->accesa()) << m->messaggio().toStdString();
    EXPECT_TRUE(aspetta([] { return sinkPredefinito().contains("Velmora"); }, 5000));

    // A tone through the system output, which is now ours.
    const QString tono = cartella.filePath("tono.wav");
    esegui("sox", QString("-n -r 48000 -c 2 %1 synth 8 sine 440 vol 0.5").arg(tono).split(' '));
    QProcess suona;
    suona.start("pw-play", {tono});
    ASSERT_TRUE(suona.waitForStarted(3000));
    const velmora::Misure& mis = m->misure();
    const int giro = mis.giro();
    auto picco = [](const std::array<double, 5>& v) {
        return *std::max_element(v.begin(), v.end());
    };
    EXPECT_TRUE(
        aspetta([&] { return picco(mis.metroIn) > -20 && picco(mis.metroOut) > -40; }, 6000))
        << "in " << picco(mis.metroIn) << " out " << picco(mis.metroOut);
    EXPECT_GT(mis.giro(), giro);
    EXPECT_TRUE(m->accesa());
    suona.kill();
    suona.waitForFinished(3000);

    m->spegni();
    EXPECT_FALSE(m->accesa());
    EXPECT_TRUE(aspetta(
        [] { return sinkPredefinito().contains(QString("node.name = \"fake_headphones\"")); },
        5000))
        << sinkPredefinito().toStdString();
    m.reset();
    velmora_distruggi();
}

}  // namespace
