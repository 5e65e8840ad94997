// The main window: the footer help, the touched-controls popover, the listening/broadcast
// picker, the language switch and the checklist.
#include "principale.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "avvisi.h"
#include "catena.h"
#include "comandi.h"
#include "macchina.h"

using namespace velmora;

class ProvaPrincipale : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void ilPiedeMostraLAiutoERitornaAllaRigaDiPartenza() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        const QString riposo = v.piede();
        QCOMPARE(riposo, QStringLiteral("Passa sopra un comando per sapere cosa fa."));
        // e_hpq does nothing while the high-pass is off.
        m.sincronizza("e_hp", 0);
        auto* q =
            prova::trovaWidget<Numero>(&v, [](Numero* n) { return n->comando().id == "e_hpq"; });
        QVERIFY(q);
        prova::entra(q);
        QVERIFY(v.piede().startsWith(QStringLiteral("Passa-alto: Q — ⚠ NON AGISCE — ")));
        QVERIFY(!v.piede().contains(QLatin1Char('\n')));
        prova::esci(q);
        QCOMPARE(v.piede(), riposo);
        // The toolbar's buttons have their help too.
        auto* lum = v.findChild<QPushButton*>(QStringLiteral("lumeric"));
        prova::entra(lum);
        QVERIFY(v.piede().startsWith(QStringLiteral("Lumeric non e' uno stadio")));
        prova::esci(lum);
        QCOMPARE(v.piede(), riposo);
    }

    void iToccatiElencanoEIlRimettiTornaIndietro() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        QCOMPARE(v.testoToccati(), QStringLiteral("intatto"));
        Toccati* t = v.apriToccati();
        QCOMPARE(t->titolo(), QStringLiteral("Non hai toccato niente"));
        t->hide();
        // Move a control with its own widget.
        auto* b1 =
            prova::trovaWidget<Numero>(&v, [](Numero* n) { return n->comando().id == "e_b1db"; });
        QVERIFY(b1);
        const double prima = m.valore("e_b1db");
        prova::trascina(b1, QPointF(20, 10), QPointF(20, -40));
        QVERIFY(m.valore("e_b1db") > prima);
        QTRY_COMPARE(v.testoToccati(), QStringLiteral("1 toccati"));
        t = v.apriToccati();
        QCOMPARE(t->chiavi(), QStringList{QStringLiteral("e_b1db")});
        QVERIFY(t->titolo().startsWith(QStringLiteral("Diverso da « ")));
        auto* rimetti = t->findChild<QPushButton*>(QStringLiteral("rimetti_e_b1db"));
        QVERIFY(rimetti);
        rimetti->click();
        QCOMPARE(m.valore("e_b1db"), prima);
        QCOMPARE(b1->valore(), prima);  // the widget reads the value back
        QTRY_COMPARE(v.testoToccati(), QStringLiteral("intatto"));
        QTRY_VERIFY(t->chiavi().isEmpty());
    }

    void radioScriveEMostraITosatori() {
        Macchina& m = mod->m();
        m.sincronizza("x_radio", 0);
        VistaPrincipale v(m, &mod->banco.impostazioni);
        QCoreApplication::processEvents();
        Scheda* sei = v.catena()->schede().at(5);
        const int nascosti = sei->nascosti();
        v.findChild<QPushButton*>(QStringLiteral("radio"))->click();
        QCOMPARE(m.valore("x_radio"), 1.0);
        QCoreApplication::processEvents();
        QVERIFY(sei->nascosti() < nascosti);
        QVERIFY(prova::trovaWidget<VistaComando>(
            sei, [](VistaComando* c) { return c->comando().id == "x_clip" && !c->isHidden(); }));
        // A preset that says otherwise moves the picker back.
        m.sincronizza("x_radio", 0);
        QVERIFY(v.findChild<QPushButton*>(QStringLiteral("ascolto"))->isChecked());
        // So does the mode's own switch among every control.
        v.mettiTutto(true);
        QCoreApplication::processEvents();
        auto* sw = prova::trovaWidget<CursoreVerticale>(
            &v, [](CursoreVerticale* c) { return c->comando().id == "x_radio"; });
        QVERIFY(sw);
        prova::premi(sw, QPointF(sw->width() / 2.0, sw->gola().center().y()));
        QCOMPARE(m.valore("x_radio"), 1.0);
        QVERIFY(v.findChild<QPushButton*>(QStringLiteral("radio"))->isChecked());
    }

    void laLinguaCambiaITesti() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        QVERIFY(m.italiano());
        v.findChild<QPushButton*>(QStringLiteral("lingua"))->click();
        QVERIFY(!m.italiano());
        QCOMPARE(v.piede(), QStringLiteral("Hover a control to see what it does."));
        QCOMPARE(v.testoToccati(), QStringLiteral("untouched"));
        QCOMPARE(v.findChild<QPushButton*>(QStringLiteral("radio"))->text(),
                 QStringLiteral("BROADCAST"));
        // The header's status stays Italian.
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("statoTestata"))->text(),
                 QStringLiteral("fermo"));
    }

    void senzaUsciteLaListaDiControlloDiceCosaManca() {
        mod.reset();
        mod = std::make_unique<prova::Modello>();
        Macchina& m = mod->m();
        mod->banco.piattaforma.elenco = std::string();
        mod->banco.piattaforma.permessoDato = false;
        m.controlla();
        QVERIFY(!m.tuttoBene());
        VistaPrincipale v(m, &mod->banco.impostazioni);
        auto* c = v.findChild<Controllo*>();
        QVERIFY(c && !c->isHidden());
        QCoreApplication::processEvents();
        const auto mancanti = c->findChildren<QLabel*>(QStringLiteral("mancante"));
        QCOMPARE(mancanti.size(), 2);
        // Everything back: the checklist goes.
        mod->banco.piattaforma.elenco = std::string("Cuffie\n");
        mod->banco.piattaforma.permessoDato = true;
        c->findChild<QPushButton*>(QStringLiteral("ricontrolla"))->click();
        QVERIFY(m.tuttoBene());
        QVERIFY(c->isHidden());
    }

    void accendiEFermaDallaTestata() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        auto* b = v.findChild<QPushButton*>(QStringLiteral("accendi"));
        QCOMPARE(b->text(), QStringLiteral("ACCENDI"));
        b->click();
        QVERIFY(m.accesa());
        QCOMPARE(b->text(), QStringLiteral("FERMA"));
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("statoTestata"))->text(),
                 QStringLiteral("dal sistema, in funzione"));
        b->click();
        QVERIFY(!m.accesa());
        QCOMPARE(mod->banco.piattaforma.fermate, 1);
    }

    void lUscitaSceltaERicordata() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        auto* uscite = v.findChild<QComboBox*>(QStringLiteral("uscite"));
        QCOMPARE(uscite->count(), 2);
        QCOMPARE(uscite->currentIndex(), m.uscitaScelta());
        uscite->setCurrentIndex(0);
        emit uscite->activated(0);
        QCOMPARE(m.uscitaScelta(), 0);
        QCOMPARE(mod->banco.impostazioni.value("uscitaNome").toString(), QStringLiteral("Cuffie"));
    }

    void iTreSuoniCaricanoESiAccendono() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        auto* radio = v.findChild<QPushButton*>(QStringLiteral("suono_2-radio"));
        auto* forte = v.findChild<QPushButton*>(QStringLiteral("suono_3-forte"));
        QVERIFY(radio && forte);
        QCOMPARE(forte->text(), QStringLiteral("Forte"));
        forte->click();
        QCOMPARE(m.nomePreset(), QStringLiteral("3-forte"));
        QVERIFY(forte->isChecked());
        QVERIFY(!radio->isChecked());
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("nomePreset"))->text(),
                 QStringLiteral("3-forte"));
        m.mettiItaliano(false);
        QCOMPARE(forte->text(), QStringLiteral("Loud"));
    }

    void ilTonoDiProvaCambiaScritta() {
        Macchina& m = mod->m();
        VistaPrincipale v(m, &mod->banco.impostazioni);
        auto* tono = v.findChild<QPushButton*>(QStringLiteral("tono"));
        QCOMPARE(tono->text(), QStringLiteral("TONO DI PROVA"));
        tono->click();
        QCOMPARE(tono->text(), QStringLiteral("FERMA IL TONO"));
        m.accendi();
        m.spegni();  // stopping leaves the button as the tone is
        QCOMPARE(tono->text(), QStringLiteral("FERMA IL TONO"));
        tono->click();
        QCOMPARE(tono->text(), QStringLiteral("TONO DI PROVA"));
    }
};

QTEST_MAIN(ProvaPrincipale)
#include "principale_test.moc"
