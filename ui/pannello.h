// The front panel above the chain: the six macro knobs in their two groups, and the
// gain-reduction section with the band bars and the status advisor beside them.
#pragma once

#include <QWidget>
#include <memory>

#include "manopola.h"

class QLabel;
class QPushButton;

namespace velmora {

class Macchina;
class Sentinella;

// One macro knob: a vertical bar with its recommended range in green.
class VistaOstrel : public QWidget {
    Q_OBJECT
  public:
    VistaOstrel(const ComandoOstrel& k, Macchina& m, QWidget* genitore = nullptr);
    QSize sizeHint() const override { return {112, 200}; }
    ManopolaOstrel& logica() { return logica_; }
    // The bar inside the widget.
    QRect barra() const;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

  private:
    void trascina(double y);
    ManopolaOstrel logica_;
    Macchina& m_;
    bool preso_ = false;
};

// The advisor: its title in capitals, its paragraph, "find the level" and the input gain now.
class VistaSentinella : public QWidget {
    Q_OBJECT
  public:
    VistaSentinella(Macchina& m, QWidget* genitore = nullptr);
    Sentinella& sentinella() { return *s_; }

  private:
    void rifai();
    Macchina& m_;
    Sentinella* s_;
    QLabel* titolo_;
    QLabel* testo_;
    QPushButton* trova_;
    QLabel* pre_;
};

class PannelloOstrel : public QWidget {
    Q_OBJECT
  public:
    explicit PannelloOstrel(Macchina& m, QWidget* genitore = nullptr);
};

}  // namespace velmora
