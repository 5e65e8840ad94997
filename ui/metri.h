// The meters: the input and output level columns, the gain-reduction bars with their held peaks
// and the marks of the modelled hardware, and one band's meter on which its gate and ceiling
// are dragged. They read the measurement record only, and draw again only when what they show
// has moved.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

namespace velmora {

class Macchina;
class Misure;

// One level column per channel, "IN" or "OUT".
class Metro : public QWidget {
    Q_OBJECT
  public:
    Metro(const QString& nome, bool ingresso, Macchina& m, QWidget* genitore = nullptr);
    static constexpr double ALTO = 0;
    static constexpr double BASSO = -60;
    // The filled fraction of the column for a level.
    static double frazione(double livello);
    QSize sizeHint() const override { return {78, 400}; }
    // Repaints counted since construction (for the drawing-cost tests).
    int ridisegni() const { return ridisegni_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void suGiro();
    QString nome_;
    bool ingresso_;
    Macchina& m_;
    std::array<double, 5> mostrati_{-100, -100, -100, -100, -100};
    double differenza_ = 0;
    int ridisegni_ = 0;
};

// A gain-reduction bar with a held peak: the deepest value is held for 1.5 s, then closes in on
// the present value by a quarter of the gap at each change.
class BarraRiduzione : public QWidget {
    Q_OBJECT
  public:
    BarraRiduzione(QString nome, QColor colore, bool doppia, std::optional<double> rif, Macchina& m,
                   QWidget* genitore = nullptr);
    static constexpr double FONDO = -24;
    // A new present value; `adesso` in seconds (a monotonic clock when not given).
    void mettiDB(double dB, std::optional<double> adesso = std::nullopt);
    double dB() const { return dB_; }
    double picco() const { return picco_; }
    void mettiColore(QColor c);
    QSize sizeHint() const override { return {26, 92}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    double y(double dB) const;
    QString nome_;
    QColor colore_;
    bool doppia_;
    std::optional<double> rif_;
    Macchina& m_;
    double dB_ = 0;
    double picco_ = 0;
    double quando_ = -1e9;
};

// The five band bars with the reference reductions of the modelled hardware, and "CLIP".
class MetriRiduzione : public QWidget {
    Q_OBJECT
  public:
    explicit MetriRiduzione(Macchina& m, QWidget* genitore = nullptr);
    static constexpr std::array<double, 5> TERVANE{4.92, 1.78, 3.39, 1.89, 0.32};

  private:
    void suGiro();
    Macchina& m_;
    std::array<BarraRiduzione*, 6> barre_{};
};

// One band's level, with its gate and ceiling lines; a vertical drag moves the nearer line.
class MetroBanda : public QWidget {
    Q_OBJECT
  public:
    MetroBanda(int banda, Macchina& m, QWidget* genitore = nullptr);
    static constexpr double ALTO = 0;
    static constexpr double BASSO = -60;
    // The value a drag at `y` points from the top of a column `h` high writes.
    static double valoreA(double y, double h);
    // Which key a drag starting at `y` moves: the ceiling when at least as near as the gate.
    QString presaA(double y) const;
    QSize sizeHint() const override { return {34, 180}; }

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    double yDi(double dB) const;
    int i_;
    Macchina& m_;
    float livello_ = -100;
    QString presa_;
};

}  // namespace velmora
