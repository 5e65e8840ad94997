// The tray panel follows the model whichever side starts or stops processing.
#include "barra.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "macchina.h"

using namespace velmora;

class ProvaBarra : public QObject {
    Q_OBJECT

  private slots:
    void pannelloEFinestraVedonoLoStessoStato() {
        prova::Modello mod;
        Macchina& m = mod.m();
        QWidget finestra;
        PannelloBarra b(m, &finestra);
        QCOMPARE(b.parolaStato(), QStringLiteral("fermo"));
        QCOMPARE(b.testoAccendi(), QStringLiteral("Accendi"));
        m.accendi();  // as the window's power button does
        QCOMPARE(b.parolaStato(), QStringLiteral("in funzione"));
        QCOMPARE(b.testoAccendi(), QStringLiteral("Ferma"));
        b.accendiOFerma();
        QVERIFY(!m.accesa());
        QCOMPARE(mod.banco.piattaforma.fermate, 1);
        m.mettiItaliano(false);
        QCOMPARE(b.parolaStato(), QStringLiteral("stopped"));
        QCOMPARE(b.testoAccendi(), QStringLiteral("Start"));
        b.apriFinestra();
        QVERIFY(finestra.isVisible());
        // The tray icon comes from the application's resources.
        QVERIFY(!QIcon(QStringLiteral(":/velmora/velmora.svg")).pixmap(22, 22).isNull());
    }
};

QTEST_MAIN(ProvaBarra)
#include "barra_test.moc"
