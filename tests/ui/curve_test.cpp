// The response curves: the closed-form levels, the band law, and which handle or crossover a
// drag takes and what it writes.
#include "curve.h"

#include <QtTest>

#include "aiuti_prova.h"
#include "catalogo.h"
#include "comandi.h"
#include "macchina.h"

using namespace velmora;

class ProvaCurve : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void equalizzatoreNeutroEPiatto() {
        ValoriEq v;
        v.hp = 0;
        v.lp = 20000;
        for (double f : {20.0, 100.0, 1000.0, 10000.0, 22000.0}) QCOMPARE(livelloEq(f, v), 0.0);
        // A bell below 0.01 dB is left out; above it is drawn.
        v.bhz = {1000, 250, 2500};
        v.bq = {1, 1, 1};
        v.bdb[0] = 0.005;
        QCOMPARE(livelloEq(1000, v), 0.0);
        v.bdb[0] = 0.02;
        QVERIFY(livelloEq(1000, v) > 0.015);
        // The high-pass cuts below its corner, twice as steeply with two sections.
        v.bdb[0] = 0;
        v.hp = 100;
        const double uno = livelloEq(25, v);
        v.hpsez = 2;
        QVERIFY(uno < -20);
        QCOMPARE(livelloEq(25, v), 2 * uno);
    }

    void asseDelleFrequenze() {
        QCOMPARE(qRound(frequenzaA(0, 500)), 20);
        QCOMPARE(qRound(frequenzaA(500, 500)), 22000);
        QVERIFY(std::abs(xDiFrequenza(1000, 700) - 700 * (std::log10(50.0) / 3.0413926851582254)) <
                1e-9);
        QCOMPARE(yDiLivello(0, 100, 18), 50.0);
        QCOMPARE(yDiLivello(40, 100, 18), 0.0);
        QCOMPARE(yDiLivello(-40, 100, 18), 100.0);
    }

    void leggeDellaBanda() {
        Legge l;
        l.soglia = -40;
        l.tetto = -10;
        l.rap = 4;
        l.su = 12;
        l.giu = 18;
        l.lock = true;
        QCOMPARE(l.cambio(-45), 0.0);
        QCOMPARE(l.cambio(-20), 10.0);  // brought up to the ceiling...
        QCOMPARE(l.cambio(-30), 12.0);  // ...but never lifted beyond `su`
        QCOMPARE(l.cambio(0), -10.0);
        QCOMPARE(l.cambio(20), -18.0);  // nor pulled down beyond `giu`
        l.lock = false;
        QCOMPARE(l.cambio(-20), -15.0);  // 20 dB above the gate at 4:1
        l.rap = 1.25;
        QCOMPARE(l.cambio(0), -10.0);  // a gentle ratio still stops at the ceiling
    }

    void lestremitaDelleBande() {
        Macchina& m = mod->m();
        const auto e = estremiBande(m);
        QCOMPARE(e[0].lo, m.valore("m_hpf"));
        QCOMPARE(e[2].lo, m.valore("m_xo2"));
        QCOMPARE(e[4].hi, 40000.0);
        // Two neighbouring bands meet at their crossover, each at half amplitude.
        std::array<Estremi, 5> z = e;
        for (auto& x : z) x.gain = 0;
        const double xo = m.valore("m_xo2");
        QVERIFY(std::abs(livelloBanda(1, xo, z) - 20 * std::log10(0.5)) < 0.1);
        QVERIFY(std::abs(livelloBanda(2, xo, z) - 20 * std::log10(0.5)) < 0.1);
    }

    void strisciaPrendeIlPiuVicinoEScriveHertzInteri() {
        Macchina& m = mod->m();
        StrisciaIncroci s(m);
        s.resize(600, 46);
        const double xo3 = m.valore("m_xo3");
        const double x2 = s.xDi(m.valore("m_xo2")), x3 = s.xDi(xo3);
        QCOMPARE(s.presaA(x2 + (x3 - x2) * 0.4), 1);
        QCOMPARE(s.presaA(x2 + (x3 - x2) * 0.6), 2);
        prova::trascina(&s, QPointF(x2 + 2, 10), QPointF(s.xDi(777.3), 10));
        const double v = m.valore("m_xo2");
        QCOMPARE(v, std::round(v));
        QVERIFY(std::abs(v - 777) <= 2);
        QCOMPARE(m.valore("m_xo3"), xo3);
    }

    void leBandeSpostanoLIncrocioPiuVicino() {
        Macchina& m = mod->m();
        CurveBande c(m);
        c.resize(700, 170);
        const double xo1 = m.valore("m_xo1"), xo2 = m.valore("m_xo2");
        const double x1 = xDiFrequenza(xo1, 700), x2 = xDiFrequenza(xo2, 700);
        QCOMPARE(c.presaA(x1 + (x2 - x1) * 0.45), 0);
        QCOMPARE(c.presaA(x1 + (x2 - x1) * 0.55), 1);
        prova::trascina(&c, QPointF(x2 - 3, 50), QPointF(xDiFrequenza(523.4, 700), 80));
        QCOMPARE(m.valore("m_xo2"), std::round(m.valore("m_xo2")));
        QVERIFY(std::abs(m.valore("m_xo2") - 523) <= 3);
        QCOMPARE(m.valore("m_xo1"), xo1);
    }

    void curvaEqPrendeLaManigliaEntro44Punti() {
        Macchina& m = mod->m();
        m.imposta("e_b1hz", 200);
        m.imposta("e_b1db", 0);
        CurvaEq c(m);
        c.resize(700, 190);
        const auto p = c.maniglia(2);  // bell 1
        QVERIFY(p.has_value());
        QCOMPARE(c.presaA(*p + QPointF(0, 20)), std::optional<int>(2));
        QVERIFY(!c.presaA(*p + QPointF(0, 120)).has_value() ||
                *c.presaA(*p + QPointF(0, 120)) != 2);
        // Dragging the bell up and to the right raises its gain and its frequency.
        prova::trascina(&c, *p, *p + QPointF(40, -30));
        QVERIFY(m.valore("e_b1hz") > 200);
        QVERIFY(m.valore("e_b1db") > 5);
        const double db = m.valore("e_b1db");
        QCOMPARE(std::round(db * 10) / 10, db);
    }

    void leBandeSiDisegnanoNeiLoroColori() {
        Macchina& m = mod->m();
        for (int b = 1; b <= 5; ++b) m.imposta("m_gai" + std::to_string(b), 0);
        CurveBande c(m);
        c.resize(700, 170);
        const QImage img = c.grab().toImage();
        img.save(QStringLiteral(VELMORA_USCITA_PROVE "/curve-bande.png"));
        // Band 3's outline runs through its level at 1 kHz.
        const int x = qRound(xDiFrequenza(1000, 700));
        const int y =
            qRound(yDiLivello(livelloBanda(2, 1000, estremiBande(m)), 170 - 14, CurveBande::DBMAX));
        bool verde = false;
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor px = img.pixelColor(x, y + dy);
            verde = verde || (px.green() > 120 && px.green() > px.red() + 30);
        }
        QVERIFY(verde);
    }

    void curvaEqRicalcolaSoloSeCambia() {
        Macchina& m = mod->m();
        CurvaEq c(m);
        c.resize(700, 190);
        c.grab();
        const int prima = c.ricalcoli();
        c.grab();
        QCOMPARE(c.ricalcoli(), prima);
        m.sincronizza("x_out", -2);  // not an equaliser value
        c.grab();
        QCOMPARE(c.ricalcoli(), prima);
        m.sincronizza("e_lsdb", 3);
        c.grab();
        QCOMPARE(c.ricalcoli(), prima + 1);
    }
};

QTEST_MAIN(ProvaCurve)
#include "curve_test.moc"
