// The bodies of the equaliser card and of the band cards: the equaliser page with one column of
// numbers per filter, the crossover row, and the five-band overview with its band buttons, the
// selected band's law, meter and controls.
#pragma once

#include <QWidget>
#include <array>

#include "catalogo.h"

class QLabel;
class QPushButton;

namespace velmora {

class Macchina;
class StatoCatena;
class GruppoComandi;
class CurvaBanda;
class MetroBanda;

// One filter of the equaliser: its name and the numbers of its frequency, gain and width.
class ColonnaFiltro : public QWidget {
    Q_OBJECT
  public:
    ColonnaFiltro(const Filtro& f, Macchina& m, QWidget* genitore = nullptr);
};

// The equaliser curve above one column per filter, and the caption.
class PaginaEq : public QWidget {
    Q_OBJECT
  public:
    explicit PaginaEq(Macchina& m, QWidget* genitore = nullptr);
};

// The four crossovers as numbers, with the slope they are shown at.
class RigaIncroci : public QWidget {
    Q_OBJECT
  public:
    explicit RigaIncroci(Macchina& m, QWidget* genitore = nullptr);
};

// A band button: the band number and its present gain; dimmed when the band is off.
class BottoneBanda : public QWidget {
    Q_OBJECT
  public:
    BottoneBanda(int banda, Macchina& m, QWidget* genitore = nullptr);
    void mettiScelto(bool si);
    QSize sizeHint() const override { return {86, 40}; }
  signals:
    void premuto(int banda);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    int i_;
    Macchina& m_;
    bool scelto_ = false;
    float gain_ = 0;
};

// The controls of one band under its label and on/off button.
class BandaEsplosa : public QWidget {
    Q_OBJECT
  public:
    BandaEsplosa(int banda, Macchina& m, StatoCatena& stato, QWidget* genitore = nullptr);
    void mettiBanda(int banda);
    GruppoComandi* gruppo() const { return gruppo_; }

  private:
    void rifai();
    int i_;
    Macchina& m_;
    QLabel* etichetta_;
    QPushButton* acceso_;
    GruppoComandi* gruppo_;
};

class Banco : public QWidget {
    Q_OBJECT
  public:
    Banco(Macchina& m, StatoCatena& stato, QWidget* genitore = nullptr);
    int scelta() const { return scelta_; }
    // A click on band `i`: selects another band, or turns the selected one on or off.
    void clic(int i);
    BottoneBanda* bottone(int i) const { return bottoni_[static_cast<std::size_t>(i)]; }

  private:
    Macchina& m_;
    int scelta_ = 0;
    std::array<BottoneBanda*, 5> bottoni_{};
    CurvaBanda* curva_;
    MetroBanda* metro_ = nullptr;
    QLabel* guadagno_;
    BandaEsplosa* esplosa_;
    QWidget* dettaglio_;
};

}  // namespace velmora
