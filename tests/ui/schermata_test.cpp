// Renders the main window, in Italian and in English with the front panel shown, to PNG files
// in the build folder (the README's screenshot is taken from these).
#include <QtTest>

#include "aiuti_prova.h"
#include "finestra_disinstalla.h"
#include "macchina.h"
#include "principale.h"

using namespace velmora;

class ProvaSchermata : public QObject {
    Q_OBJECT

  private slots:
    void finestraInDueLingue() {
        prova::Modello mod;
        Macchina& m = mod.m();
        m.accendi();
        // Something moving on the meters, as while music plays.
        Misure& mis = m.misure();
        mis.metroIn = {-14.2, -15.1, -9.8, -10.4, -18.5};
        mis.metroOut = {-11.3, -11.9, -7.2, -7.6, -16.9};
        mis.differenza = 0.4;
        mis.bande = {-6.1f, -2.3f, -4.4f, -1.9f, -0.6f};
        mis.livelli = {-18.f, -20.f, -22.f, -27.f, -33.f};
        mis.tosatura = 0.2f;
        mis.annuncia();
        for (bool it : {true, false}) {
            m.mettiItaliano(it);
            VistaPrincipale v(m, &mod.banco.impostazioni);
            v.mettiMostraLumeric(true);
            v.resize(1440, 960);
            v.show();
            QVERIFY(QTest::qWaitForWindowExposed(&v));
            QCoreApplication::processEvents();
            const QImage img = v.grab().toImage();
            QVERIFY(!img.isNull());
            const QString file =
                QStringLiteral(VELMORA_USCITA_PROVE) +
                (it ? QStringLiteral("/schermata-it.png") : QStringLiteral("/schermata-en.png"));
            QVERIFY(img.save(file));
            QVERIFY(QFileInfo(file).size() > 10000);
            // The whole chain, for a look at every card.
            if (auto* dentro = v.findChild<QWidget*>(QStringLiteral("dentro")))
                dentro->grab().save(
                    QStringLiteral(VELMORA_USCITA_PROVE) +
                    (it ? QStringLiteral("/catena-it.png") : QStringLiteral("/catena-en.png")));
        }
        m.spegni();
    }

    void foglioDelDisinstallatore() {
        prova::Modello mod;
        QTemporaryDir d;
        Disinstalla::Luoghi l;
        l.casa = d.filePath(QStringLiteral("casa"));
        l.prefisso = d.filePath(QStringLiteral("usr"));
        QDir().mkpath(l.prefisso + QStringLiteral("/bin"));
        QDir().mkpath(l.casa);
        for (const QString& f : {l.prefisso + QStringLiteral("/bin/velmora"),
                                 l.casa + QStringLiteral("/.velmora_barra")}) {
            QFile x(f);
            QVERIFY(x.open(QIODevice::WriteOnly));
        }
        FinestraDisinstalla f(
            mod.m(), l, [] {}, QStringLiteral("file:///suono.desktop"));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(f.grab().save(QStringLiteral(VELMORA_USCITA_PROVE "/disinstalla.png")));
    }
};

QTEST_MAIN(ProvaSchermata)
#include "schermata_test.moc"
