// The chain view: what the groups show and hide, the cards' counts and remembered flags, and the
// band buttons.
#include "catena.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "comandi.h"
#include "macchina.h"

using namespace velmora;

class ProvaCatena : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void inRadioSiVedonoITosatoriECalaIlConto() {
        Macchina& m = mod->m();
        m.sincronizza("x_radio", 0);
        StatoCatena stato(&mod->banco.impostazioni);
        Catena c(m, stato);
        QCoreApplication::processEvents();
        Scheda* sei = c.schede().at(5);
        const int primaNascosti = sei->nascosti();
        QVERIFY(primaNascosti > 0);
        QVERIFY(!prova::chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        m.sincronizza("x_radio", 1);
        QCoreApplication::processEvents();
        QVERIFY(prova::chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        QVERIFY(sei->nascosti() < primaNascosti);
        // "show inactive" brings them back in listening mode too.
        m.sincronizza("x_radio", 0);
        QCoreApplication::processEvents();
        QCOMPARE(sei->nascosti(), primaNascosti);
        stato.mettiMostraSpenti(true);
        QVERIFY(prova::chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        QCOMPARE(mod->banco.impostazioni.value("mostraSpenti").toBool(), true);
    }

    void unComandoCheSpegneGliAltriLiNascondeSubito() {
        Macchina& m = mod->m();
        m.sincronizza("a_sub", 3);
        StatoCatena stato(&mod->banco.impostazioni);
        stato.mettiTutto(true);
        Catena c(m, stato);
        Scheda* agc = c.schede().at(1);
        QVERIFY(prova::chiaviMostrate(agc).contains(QStringLiteral("a_subhz")));
        // Moving "Sub lift" to 0 with its own fader: "where" stops acting and goes.
        auto* sub = prova::trovaWidget<CursoreVerticale>(
            agc, [](CursoreVerticale* v) { return v->comando().id == "a_sub"; });
        QVERIFY(sub);
        const QRect g = sub->gola();
        prova::premi(sub, QPointF(g.center().x(), g.center().y()));
        prova::muovi(sub, QPointF(g.center().x(), g.bottom() + 40));
        QCOMPARE(m.valore("a_sub"), 0.0);
        QPointer<CursoreVerticale> tenuto(sub);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!prova::chiaviMostrate(agc).contains(QStringLiteral("a_subhz")));
        // The fader under the pointer survives the rebuild, so the drag goes on.
        QVERIFY(tenuto);
        prova::muovi(sub, QPointF(g.center().x(), g.top()));
        QCOMPARE(m.valore("a_sub"), 9.0);
        prova::lascia(sub, QPointF(g.center().x(), g.top()));
        QCoreApplication::processEvents();
        QVERIFY(prova::chiaviMostrate(agc).contains(QStringLiteral("a_subhz")));
    }

    void contiEApertureRicordate() {
        Macchina& m = mod->m();
        StatoCatena stato(&mod->banco.impostazioni);
        {
            Catena c(m, stato);
            QCOMPARE(Catena::quanti("CLIPPING") + Catena::quanti("FINALE"), 30);
            QCOMPARE(Catena::quanti("AGC"), 31);
            QVERIFY(c.schede().at(0)->aperta());
            c.schede().at(0)->mettiAperta(false);
            QVERIFY(c.schede().at(0)->corpo()->isHidden());
        }
        Catena di_nuovo(m, stato);
        QVERIFY(!di_nuovo.schede().at(0)->aperta());
        QVERIFY(di_nuovo.schede().at(0)->corpo()->isHidden());
        QVERIFY(di_nuovo.schede().at(1)->aperta());
    }

    void lInterruttoreDellaSchedaSpegneLoStadio() {
        Macchina& m = mod->m();
        StatoCatena stato(&mod->banco.impostazioni);
        Catena c(m, stato);
        Scheda* eq = c.schede().at(0);
        QVERIFY(m.accEq());
        prova::trascina(eq->interruttore(), QPointF(5, 5), QPointF(5, 5));
        QVERIFY(!m.accEq());
        QCOMPARE(m.valore("e_on"), 0.0);
        bool spento = false;
        for (QLabel* l : eq->findChildren<QLabel*>())
            spento = spento || (l->text() == QStringLiteral("SPENTO") && !l->isHidden());
        QVERIFY(spento);
    }
};

QTEST_MAIN(ProvaCatena)
#include "catena_test.moc"
