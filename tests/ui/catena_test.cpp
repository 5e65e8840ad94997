// The chain view: what the groups show and hide, the cards' counts and remembered flags, and the
// band buttons.
#include "catena.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "banco.h"
#include "comandi.h"
#include "macchina.h"

using namespace velmora;

namespace {

QStringList chiaviMostrate(QWidget* w) {
    QStringList k;
    for (const VistaComando* v : w->findChildren<VistaComando*>())
        if (!v->isHidden()) k << QString::fromStdString(v->comando().id);
    return k;
}

}  // namespace

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
        QVERIFY(!chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        m.sincronizza("x_radio", 1);
        QCoreApplication::processEvents();
        QVERIFY(chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        QVERIFY(sei->nascosti() < primaNascosti);
        // "show inactive" brings them back in listening mode too.
        m.sincronizza("x_radio", 0);
        QCoreApplication::processEvents();
        QCOMPARE(sei->nascosti(), primaNascosti);
        stato.mettiMostraSpenti(true);
        QVERIFY(chiaviMostrate(sei).contains(QStringLiteral("x_clip")));
        QCOMPARE(mod->banco.impostazioni.value("mostraSpenti").toBool(), true);
    }

    void unComandoCheSpegneGliAltriLiNascondeSubito() {
        Macchina& m = mod->m();
        m.sincronizza("a_sub", 3);
        StatoCatena stato(&mod->banco.impostazioni);
        stato.mettiTutto(true);
        Catena c(m, stato);
        Scheda* agc = c.schede().at(1);
        QVERIFY(chiaviMostrate(agc).contains(QStringLiteral("a_subhz")));
        // Moving "Sub lift" to 0 with its own fader: "where" stops acting and goes.
        auto* sub = prova::trovaWidget<CursoreVerticale>(
            agc, [](CursoreVerticale* v) { return v->comando().id == "a_sub"; });
        QVERIFY(sub);
        const QRect g = sub->gola();
        prova::trascina(sub, QPointF(g.center().x(), g.center().y()),
                        QPointF(g.center().x(), g.bottom() + 40));
        QCOMPARE(m.valore("a_sub"), 0.0);
        QCoreApplication::processEvents();
        QVERIFY(!chiaviMostrate(agc).contains(QStringLiteral("a_subhz")));
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
        const QStringList k = chiaviMostrate(&b);
        QVERIFY(k.contains(QStringLiteral("m_tet3")));
        QVERIFY(!k.contains(QStringLiteral("m_tet1")));
    }
};

QTEST_MAIN(ProvaCatena)
#include "catena_test.moc"
