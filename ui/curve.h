// The response curves, computed here from the parameter values with closed-form approximations
// (they do not run the engine's filters): the equaliser's response with its handles, the five
// band shapes with the crossovers, the crossover strip, and one band's static law. Each keeps
// its finished path and computes it again only when its size or the values it reads change.
#pragma once

#include <QPainterPath>
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

namespace velmora {

class Macchina;
class Valori;

// The common frequency axis: 20 Hz at the left edge to 22 kHz at the right.
double frequenzaA(double x, double larghezza);
double xDiFrequenza(double f, double larghezza);
// The vertical position of a level in a plot `altezza` high spanning +-dbMax.
double yDiLivello(double dB, double altezza, double dbMax);

// The values the equaliser curve reads.
struct ValoriEq {
    double hp = 0, hpq = 0.707, hpsez = 1, lp = 20000;
    double lshz = 68, lsdb = 0, hshz = 10000, hsdb = 0;
    std::array<double, 3> bhz{}, bdb{}, bq{};
    static ValoriEq leggi(const Valori& v);
    friend bool operator==(const ValoriEq&, const ValoriEq&) = default;
};
// The equaliser's level at `f`, dB (not clamped).
double livelloEq(double f, const ValoriEq& v);

class CurvaEq : public QWidget {
    Q_OBJECT
  public:
    explicit CurvaEq(Macchina& m, QWidget* genitore = nullptr);
    static constexpr double DBMAX = 18;
    QSize sizeHint() const override { return {700, 190}; }
    // The handle a drag starting at `p` takes (index into FILTRI), none farther than 44 points.
    std::optional<int> presaA(QPointF p) const;
    // Where the handle of filter `i` sits, if it has one.
    std::optional<QPointF> maniglia(int i) const;
    int ricalcoli() const { return ricalcoli_; }

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void forseRidisegna();
    void ricalcola();
    double altezzaPiano() const { return height() - 14.0; }
    Macchina& m_;
    ValoriEq valori_;
    QSize misura_;
    QPainterPath tracciato_;
    std::optional<int> inMano_;
    int ricalcoli_ = 0;
};

// One band's extent.
struct Estremi {
    double lo, hi, gain;
};
std::array<Estremi, 5> estremiBande(const Valori& v);
// The level of band `b` at `f`, dB: its gain and its fourth-power edges.
double livelloBanda(int b, double f, const std::array<Estremi, 5>& e);

class CurveBande : public QWidget {
    Q_OBJECT
  public:
    explicit CurveBande(Macchina& m, QWidget* genitore = nullptr);
    static constexpr double DBMAX = 24;
    QSize sizeHint() const override { return {700, 170}; }
    // The crossover (0 to 3) nearest the starting point of a drag.
    int presaA(double x) const;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void forseRidisegna();
    void ricalcola();
    Macchina& m_;
    std::array<Estremi, 5> estremi_{};
    std::array<QPainterPath, 5> tracciati_, riempimenti_;
    QSize misuraFatta_;
    int revFatta_ = -1;
    std::optional<int> presa_;
};

// The four crossovers on a strip of three decades from 20 Hz, dragged sideways.
class StrisciaIncroci : public QWidget {
    Q_OBJECT
  public:
    explicit StrisciaIncroci(Macchina& m, QWidget* genitore = nullptr);
    QSize sizeHint() const override { return {700, 46}; }
    double xDi(double f) const;
    // The crossover whose marker lies nearest `x` (the first on a tie).
    int presaA(double x) const;
    // The whole hertz a drag at `x` writes.
    double frequenzaA(double x) const;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    Macchina& m_;
    std::optional<int> presa_;
};

// A band's static law.
struct Legge {
    double soglia = -55, tetto = -8, rap = 4, su = 12, giu = 18, gain = 0;
    bool lock = true;
    static Legge leggi(int banda, const Valori& v);
    // The gain change for an input level x.
    double cambio(double x) const;
    friend bool operator==(const Legge&, const Legge&) = default;
};

class CurvaBanda : public QWidget {
    Q_OBJECT
  public:
    CurvaBanda(int banda, Macchina& m, QWidget* genitore = nullptr);
    static constexpr double LO = -48;
    static constexpr double HI = 12;
    void mettiBanda(int banda);
    QSize sizeHint() const override { return {230, 230}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void forseRidisegna();
    void ricalcola();
    QPointF punto(double x, double y) const;
    int i_;
    Macchina& m_;
    QPainterPath tracciato_, riempito_;
    std::optional<Legge> salvata_;
    QSize misuraFatta_;
    float livello_ = -100;
};

}  // namespace velmora
