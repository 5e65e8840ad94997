// The band cards: the band buttons, the selected band's detail, the crossover row and the
// equaliser's columns.
#include "banco.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "catena.h"
#include "comandi.h"
#include "macchina.h"

using namespace velmora;

class ProvaBanco : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void laBandaSceltaCliccataDueVolteTornaComEra() {
        Macchina& m = mod->m();
        StatoCatena stato(&mod->banco.impostazioni);
        Banco b(m, stato);
        const double acceso3 = m.valore("m_bon3");
        b.clic(2);  // selects
        QCOMPARE(b.scelta(), 2);
        QCOMPARE(m.valore("m_bon3"), acceso3);
        prova::trascina(b.bottone(2), QPointF(10, 10), QPointF(10, 10));  // the selected one
        QCOMPARE(m.valore("m_bon3"), acceso3 > 0.5 ? 0.0 : 1.0);
        prova::trascina(b.bottone(2), QPointF(10, 10), QPointF(10, 10));
        QCOMPARE(m.valore("m_bon3"), acceso3);
        // The detail follows the selected band.
        QCoreApplication::processEvents();
        const QStringList k = prova::chiaviMostrate(&b);
        QVERIFY(k.contains(QStringLiteral("m_tet3")));
        QVERIFY(!k.contains(QStringLiteral("m_tet1")));
    }
    void ilBottoneDellaBandaSpegneEDiceSpenta() {
        Macchina& m = mod->m();
        StatoCatena stato(&mod->banco.impostazioni);
        BandaEsplosa b(3, m, stato);
        auto* acceso = b.findChild<QPushButton*>(QStringLiteral("bandaAccesa"));
        m.sincronizza("m_bon4", 1);
        QCOMPARE(acceso->text(), QStringLiteral("ACCESA"));
        acceso->click();
        QCOMPARE(m.valore("m_bon4"), 0.0);
        QCOMPARE(acceso->text(), QStringLiteral("SPENTA"));
        m.mettiItaliano(false);
        QCOMPARE(acceso->text(), QStringLiteral("OFF"));
    }

    void leColonneDellEqHannoINumeriDeiFiltri() {
        Macchina& m = mod->m();
        PaginaEq p(m);
        const QStringList k = prova::chiaviMostrate(&p);
        for (const char* chiave :
             {"e_hp", "e_hpq", "e_hpsez", "e_lshz", "e_lsdb", "e_b1hz", "e_b1db", "e_b1q", "e_b2q",
              "e_b3hz", "e_hshz", "e_hsdb", "e_lp", "e_lpq"})
            QVERIFY2(k.contains(QLatin1String(chiave)), chiave);
        // The crossover row moves the same keys as the strip.
        RigaIncroci r(m);
        QCOMPARE(prova::chiaviMostrate(&r),
                 (QStringList{QStringLiteral("m_xo1"), QStringLiteral("m_xo2"),
                              QStringLiteral("m_xo3"), QStringLiteral("m_xo4")}));
    }
};

QTEST_MAIN(ProvaBanco)
#include "banco_test.moc"
