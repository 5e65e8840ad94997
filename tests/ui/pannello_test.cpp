// The front panel: a macro knob's drag writes through its formula and every control re-reads,
// its help follows whether its stage is on, and the advisor shows its line and acts.
#include "pannello.h"

#include <QtTest>
#include <QtWidgets>

#include "aiuti_prova.h"
#include "comandi.h"
#include "macchina.h"
#include "sentinella.h"

using namespace velmora;

namespace {

VistaOstrel* manopola(QWidget* radice, std::string_view id) {
    return prova::trovaWidget<VistaOstrel>(
        radice, [id](VistaOstrel* v) { return v->logica().comando().id == id; });
}

}  // namespace

class ProvaPannello : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void laManopolaScriveEIComandiRileggono() {
        Macchina& m = mod->m();
        PannelloOstrel p(m);
        CursoreVerticale tetto(*trova("m_tet3"), m, Qt::blue);
        VistaOstrel* drive = manopola(&p, "o_mbdrive");
        QVERIFY(drive);
        const double prima = m.valore("m_tet3");
        const double pos = drive->logica().posizione();
        // Two steps up the bar from where the knob stands now.
        const QRect b = drive->barra();
        const double passo =
            (b.height() - 14) / ((drive->logica().comando().max - drive->logica().comando().min) /
                                 drive->logica().comando().passo);
        const double y =
            b.bottom() - 7 -
            (pos - drive->logica().comando().min) / drive->logica().comando().passo * passo;
        prova::trascina(drive, QPointF(b.center().x(), y), QPointF(b.center().x(), y - 2 * passo));
        const double nuova = drive->logica().posizione();
        QVERIFY(nuova > pos);
        QCOMPARE(m.valore("m_tet3"), std::max(prima - (nuova - pos), -60.0));
        QCOMPARE(tetto.valore(), m.valore("m_tet3"));  // re-read through the revision
    }

    void lAiutoDiceQuandoLoStadioESpento() {
        Macchina& m = mod->m();
        PannelloOstrel p(m);
        VistaOstrel* rel = manopola(&p, "o_agcrel");
        prova::entra(rel);
        QVERIFY(m.suggerimento().startsWith(QStringLiteral("AGC release — Quanto in fretta")));
        prova::esci(rel);
        QVERIFY(m.suggerimento().isEmpty());
        m.mettiAccAgc(false);
        QCOMPARE(rel->logica().etichetta(), QStringLiteral("AGC e' spento"));
        prova::entra(rel);
        QVERIFY(m.suggerimento().contains(QStringLiteral("che adesso e' SPENTO")));
        prova::esci(rel);
        QVERIFY(m.suggerimento().isEmpty());
    }

    void ilConsigliereMostraLaRigaETrovaIlLivello() {
        Macchina& m = mod->m();
        VistaSentinella s(m);
        const auto testi = [&s] {
            QStringList t;
            for (QLabel* l : s.findChildren<QLabel*>()) t << l->text();
            return t;
        };
        QVERIFY(testi().contains(Sentinella::kTuttoBeneIt.toUpper()));
        QVERIFY(testi().contains(QStringLiteral("preamplificazione ora: 0.0 dB")));
        m.sincronizza("g_pre", 3.5);
        QVERIFY(testi().contains(QStringLiteral("preamplificazione ora: 3.5 dB")));
        m.mettiItaliano(false);
        QVERIFY(testi().contains(Sentinella::kTuttoBeneEn.toUpper()));
        auto* trova = s.findChild<QPushButton*>(QStringLiteral("trovaLivello"));
        QCOMPARE(trova->text(), s.sentinella().etichettaTrova());
        trova->click();
        QVERIFY(s.sentinella().misurando());
    }
};

QTEST_MAIN(ProvaPannello)
#include "pannello_test.moc"
