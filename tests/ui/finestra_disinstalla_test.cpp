// The uninstaller's sheet lists only what exists, in order, offers the working folder only when
// asked, and moves everything to the Trash after stopping processing.
#include "finestra_disinstalla.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "avvisi.h"
#include "macchina.h"

using namespace velmora;

namespace {

void crea(const QString& percorso) {
    QDir().mkpath(QFileInfo(percorso).absolutePath());
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QStringList elencati(QWidget* w) {
    QStringList p;
    for (QWidget* r : w->findChildren<QWidget*>(QStringLiteral("cosa")))
        if (!r->isHidden()) p << r->property("percorso").toString();
    return p;
}

}  // namespace

class ProvaDisinstalla : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<prova::Modello> mod;
    Disinstalla::Luoghi luoghi;

  private slots:
    void init() {
        mod = std::make_unique<prova::Modello>();
        const QString base = dir.filePath(QString::number(QRandomGenerator::global()->generate()));
        luoghi.casa = base + QStringLiteral("/casa");
        luoghi.prefisso = base + QStringLiteral("/usr");
        luoghi.impostazioni = base + QStringLiteral("/casa/.config/Velmora/velmora.conf");
        luoghi.cartellaDiLavoro = false;
        QDir().mkpath(luoghi.casa);
        // The Trash of this test.
        qputenv("XDG_DATA_HOME", (base + QStringLiteral("/dati")).toUtf8());
    }
    void cleanup() { mod.reset(); }

    void elencaSoloCioCheEsisteInOrdine() {
        crea(luoghi.casa + QStringLiteral("/.velmora_barra"));
        crea(luoghi.prefisso + QStringLiteral("/bin/velmora"));
        FinestraDisinstalla f(mod->m(), luoghi, [] {}, {});
        const QStringList attesi{luoghi.prefisso + QStringLiteral("/bin/velmora"),
                                 luoghi.casa + QStringLiteral("/.velmora_barra")};
        QCOMPARE(elencati(&f), attesi);
        // The descriptions stay Italian in English too.
        mod->m().mettiItaliano(false);
        FinestraDisinstalla en(mod->m(), luoghi, [] {}, {});
        bool trovata = false;
        for (QLabel* l : en.findChildren<QLabel*>())
            trovata = trovata || l->text() == QStringLiteral("la preferenza barra/Dock");
        QVERIFY(trovata);
    }

    void laCartellaDiLavoroSoloSeSpuntata() {
        const QString lavoro = Disinstalla::cartellaDiLavoro(luoghi.casa);
        crea(lavoro + QStringLiteral("/mio.json"));
        FinestraDisinstalla f(mod->m(), luoghi, [] {}, {});
        QVERIFY2(elencati(&f).isEmpty(), qPrintable(elencati(&f).join(' ')));
        auto* spunta = f.findChild<QCheckBox*>(QStringLiteral("cartellaDiLavoro"));
        spunta->setChecked(true);
        QCoreApplication::processEvents();
        QCOMPARE(elencati(&f), QStringList{lavoro});
        spunta->setChecked(false);
        QCoreApplication::processEvents();
        QVERIFY(elencati(&f).isEmpty());
    }

    void giaPulito() {
        FinestraDisinstalla f(mod->m(), luoghi, [] {}, {});
        QVERIFY(f.cose().isEmpty());
        auto* a = f.findChild<Avviso*>();
        QVERIFY(a);
        QCOMPARE(a->testo(),
                 QStringLiteral("Non trovo piu' niente da togliere: e' gia' tutto pulito."));
    }

    void fermaPoiSpostaNelCestinoEdEsce() {
        const QString file = luoghi.casa + QStringLiteral("/.velmora_niente_ponte");
        crea(file);
        Macchina& m = mod->m();
        m.accendi();
        bool uscito = false;
        FinestraDisinstalla f(m, luoghi, [&uscito] { uscito = true; }, {});
        f.rimuovi();
        QVERIFY(!m.accesa());
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(f.falliti().isEmpty());
        QCOMPARE(f.esito(), QStringLiteral("Fatto. Velmora e' nel Cestino. Chiudo."));
        QVERIFY(!uscito);  // not at once: the user reads the outcome first
        QTRY_VERIFY_WITH_TIMEOUT(uscito, 5000);
        const QString cestino =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files");
        QVERIFY(QDir(cestino).exists(QStringLiteral(".velmora_niente_ponte")));
    }

    void seQualcosaRestaLoDiceENonEsce() {
        // A file the Trash cannot take: it lives on a filesystem nothing can be moved off.
        luoghi.impostazioni = QStringLiteral("/proc/self/status");
        const QString file = luoghi.casa + QStringLiteral("/.velmora_uscita_precedente");
        crea(file);
        bool uscito = false;
        FinestraDisinstalla f(mod->m(), luoghi, [&uscito] { uscito = true; }, {});
        QCOMPARE(f.cose().size(), 2);
        f.rimuovi();
        QCOMPARE(f.falliti(), QStringList{QStringLiteral("/proc/self/status")});
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(f.esito(), QStringLiteral("Alcune cose non sono uscite: toglile a mano."));
        auto* elenco = f.findChild<QLabel*>(QStringLiteral("falliti"));
        QVERIFY(elenco && elenco->text() == QStringLiteral("/proc/self/status"));
        QTest::qWait(1800);
        QVERIFY(!uscito);
    }
};

QTEST_MAIN(ProvaDisinstalla)
#include "finestra_disinstalla_test.moc"
