// The meters: the column scale, the held peak of the reduction bars, the band meter's drag, and
// that a level column draws again only when what it shows has moved.
#include "metri.h"

#include <QtTest>

#include "aiuti_prova.h"
#include "macchina.h"

using namespace velmora;

class ProvaMetri : public QObject {
    Q_OBJECT
    std::unique_ptr<prova::Modello> mod;

  private slots:
    void init() { mod = std::make_unique<prova::Modello>(); }
    void cleanup() { mod.reset(); }

    void scalaDellaColonna() {
        QCOMPARE(Metro::frazione(-60), 0.0);
        QCOMPARE(Metro::frazione(-80), 0.0);
        QCOMPARE(Metro::frazione(3), 1.0);
        QCOMPARE(Metro::frazione(-30), 0.5);
    }

    void piccoTenutoPoiRientra() {
        BarraRiduzione b(QStringLiteral("1"), Qt::red, true, -4.92, mod->m());
        b.mettiDB(-10, 0.0);
        QCOMPARE(b.picco(), -10.0);
        b.mettiDB(-2, 0.5);
        b.mettiDB(-2, 1.4);
        QCOMPARE(b.picco(), -10.0);  // held for 1.5 s
        b.mettiDB(-2, 1.6);
        QCOMPARE(b.picco(), -8.0);  // then a quarter of the gap per change
        b.mettiDB(-2, 1.7);
        QCOMPARE(b.picco(), -6.5);
        b.mettiDB(-12, 1.8);  // a deeper value is taken at once and held again
        QCOMPARE(b.picco(), -12.0);
        b.mettiDB(-12, 3.0);
        QCOMPARE(b.picco(), -12.0);
    }

    void metroBandaTrascinaLaLineaPiuVicina() {
        Macchina& m = mod->m();
        m.imposta("m_tet2", -10);
        m.imposta("m_sog2", -40);
        MetroBanda mb(1, m);
        mb.resize(34, 240);  // 4 points per dB
        // Exactly half-way between the lines: the ceiling.
        QCOMPARE(mb.presaA(100), QStringLiteral("m_tet2"));
        QCOMPARE(mb.presaA(101), QStringLiteral("m_sog2"));
        prova::trascina(&mb, QPointF(17, 100), QPointF(17, 61));
        QCOMPARE(m.valore("m_tet2"), -15.5);  // 15.25 dB down, to the nearest half
        prova::trascina(&mb, QPointF(17, 160), QPointF(17, 400));
        QCOMPARE(m.valore("m_sog2"), -70.0);  // past the bottom, never below -70
        prova::trascina(&mb, QPointF(17, 62), QPointF(17, -50));
        QCOMPARE(m.valore("m_tet2"), 0.0);
        QCOMPARE(MetroBanda::valoreA(250, 240), -62.5);
    }

    void colonnaRidisegnaSoloSeCambia() {
        Macchina& m = mod->m();
        Metro in(QStringLiteral("IN"), true, m);
        in.resize(78, 400);
        in.show();
        QVERIFY(QTest::qWaitForWindowExposed(&in));
        QCoreApplication::processEvents();
        const int prima = in.ridisegni();
        // A change elsewhere in the record (the output) does not touch the input column.
        m.misure().metroOut = {-10, -10, -8, -8, -14};
        m.misure().annuncia();
        QCoreApplication::processEvents();
        QCOMPARE(in.ridisegni(), prima);
        m.misure().metroIn = {-10, -10, -8, -8, -14};
        m.misure().annuncia();
        QTRY_VERIFY(in.ridisegni() > prima);
    }
};

QTEST_MAIN(ProvaMetri)
#include "metri_test.moc"
