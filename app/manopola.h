// The logic of one macro knob of the front panel, for the view that draws it: its position
// (re-read from the engine whenever the model's revision moves), the drag mapping, the green
// band, whether its stage is on, and its texts.
#pragma once

#include <QString>

#include "ostrel.h"

namespace velmora {

class Macchina;

class ManopolaOstrel {
  public:
    ManopolaOstrel(const ComandoOstrel& comando, Macchina& m);

    const ComandoOstrel& comando() const { return k_; }

    // The position shown: the reader's result clamped to the range, re-read when the model's
    // revision has changed since the last look.
    double posizione();
    // A drag on the knob's vertical bar of height `altezza`, pointer `y` points from the top.
    // Writes and returns true only when the position changes.
    bool trascina(double y, double altezza);
    // In the recommended range.
    bool nelVerde();
    // The stage it writes into is switched on.
    bool viva() const;
    // The value as shown: "%.2f" and the unit.
    QString testoValore();
    // The label under the knob: its name, or "<stage> e' spento" / "<stage> is off".
    QString etichetta() const;
    // Help text: the explanation, or why moving it now changes nothing.
    QString aiuto() const;
    // The pointer enters and leaves the knob: the footer shows its name and explanation.
    void entra();
    void esce();

  private:
    void rileggi();

    const ComandoOstrel& k_;
    Macchina& m_;
    double v_ = 0;
    int revisioneVista_ = -1;
};

}  // namespace velmora
