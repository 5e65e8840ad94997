// The control widgets: drag mappings, steps and ranges, reading without writing back, and the
// footer help with its relevance marks.
#include "comandi.h"

#include <QtTest>

#include "aiuti_prova.h"
#include "macchina.h"
#include "tema.h"
#include "velmora.h"

using namespace velmora;

class ProvaComandi : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void numeroSaleDalFondoInCimaIn260PuntiESiFerma() {
        Macchina& m = mod->m();
        const Comando& c = *trova("e_b1db");  // -15 ... 15, step 0.1
        m.imposta(c.id, c.min);
        Numero n(c, m, QStringLiteral("%+.1f"), tema::blu());
        n.resize(n.sizeHint());
        const QPointF centro(30, 10);
        prova::premi(&n, centro);
        prova::muovi(&n, centro - QPointF(0, 130));
        QCOMPARE(m.valore(c.id), 0.0);
        prova::muovi(&n, centro - QPointF(0, 260));
        QCOMPARE(m.valore(c.id), c.max);
        prova::muovi(&n, centro - QPointF(0, 400));
        QCOMPARE(m.valore(c.id), c.max);
        QCOMPARE(n.testo(), QStringLiteral("+15.0"));
        prova::lascia(&n, centro - QPointF(0, 400));
        // A new drag starts from the value reached, not from the first start.
        prova::premi(&n, centro);
        prova::muovi(&n, centro + QPointF(0, 26));
        QCOMPARE(m.valore(c.id), 12.0);
    }

    void faderAlPassoDiMezzoArrotondaEResta() {
        Macchina& m = mod->m();
        const Comando& c = *trova("a_win");  // 3 ... 24, step 0.5
        CursoreVerticale f(c, m, tema::verde());
        const QRect g = f.gola();
        for (double y = g.top() - 40; y <= g.bottom() + 40; y += 3.7) {
            prova::premi(&f, QPointF(g.center().x(), y));
            prova::lascia(&f, QPointF(g.center().x(), y));
            const double v = m.valore(c.id);
            QVERIFY2(v >= c.min && v <= c.max, qPrintable(QString::number(v)));
            QCOMPARE(std::fmod(v * 2, 1.0), 0.0);
        }
        prova::premi(&f, QPointF(g.center().x(), g.top() - 50));
        QCOMPARE(m.valore(c.id), c.max);
        prova::muovi(&f, QPointF(g.center().x(), g.bottom() + 50));
        QCOMPARE(m.valore(c.id), c.min);
        // The mapping itself: the ends of the groove and a fader too short to divide.
        QCOMPARE(CursoreVerticale::valoreA(c, 6, 100), c.max);
        QCOMPARE(CursoreVerticale::valoreA(c, 94, 100), c.min);
        QCOMPARE(CursoreVerticale::valoreA(c, 7.5, 12.5), c.min);
    }

    void laLetturaNonRiscriveIlValore() {
        Macchina& m = mod->m();
        const Comando& c = *trova("a_win");
        CursoreVerticale f(c, m, tema::verde());
        // A value off the step (as a preset may hold) is shown as it is and left alone.
        velmora_imposta("a_win", 10.3);
        m.sincronizza("g_pre", m.valore("g_pre"));
        QCOMPARE(f.valore(), 10.3);
        QCOMPARE(velmora_leggi("a_win", 0), 10.3);
        // A click on a switch writes; a re-read of the switch does not.
        const Comando& s = *trova("m_lock");
        CursoreVerticale sw(s, m, tema::blu());
        const double prima = m.valore("m_lock");
        prova::premi(&sw, QPointF(sw.width() / 2.0, sw.gola().center().y()));
        QCOMPARE(m.valore("m_lock"), prima > 0.5 ? 0.0 : 1.0);
        QCOMPARE(CursoreVerticale::etichetta(s, 1, true), QStringLiteral("ACCESO"));
        QCOMPARE(CursoreVerticale::etichetta(s, 0, true), QStringLiteral("SPENTO"));
    }

    void etichetteDeiFader() {
        QCOMPARE(CursoreVerticale::etichetta(*trova("a_hold"), 1000, true),
                 QStringLiteral("1.00s"));
        QCOMPARE(CursoreVerticale::etichetta(*trova("e_lp"), 12500, true), QStringLiteral("12.5k"));
        QCOMPARE(CursoreVerticale::etichetta(*trova("a_hold"), 150, true),
                 QStringLiteral("150 ms"));
        QCOMPARE(CursoreVerticale::etichetta(*trova("a_win"), 7.3, true), QStringLiteral("7.3 dB"));
    }

    void passandoSopraIlPiedeMostraLAiutoConIlSegno() {
        Macchina& m = mod->m();
        m.sincronizza("x_radio", 0);
        CursoreVerticale clip(*trova("x_clip"), m, tema::rosso());
        CursoreVerticale cut(*trova("a_cut"), m, tema::verde());
        prova::entra(&clip);
        QVERIFY(m.suggerimento().startsWith(QStringLiteral("Clipper — ⚠ NON AGISCE — ")));
        prova::entra(&cut);  // another control takes the footer over
        QVERIFY(
            m.suggerimento().startsWith(QStringLiteral("AGC: taglio sotto — ● QUESTO CONTA — ")));
        prova::esci(&clip);  // leaving the first no longer clears what the second put there
        QVERIFY(!m.suggerimento().isEmpty());
        prova::esci(&cut);
        QVERIFY(m.suggerimento().isEmpty());
        m.mettiItaliano(false);
        prova::entra(&cut);
        QVERIFY(m.suggerimento().startsWith(QStringLiteral("Leveller: low cut — ● QUESTO CONTA")));
    }
};

QTEST_MAIN(ProvaComandi)
#include "comandi_test.moc"
