// The equaliser: high-pass, low shelf, three bells, high shelf, low-pass, always in that order.
#pragma once

#include <cstdint>

#include "../archivio.h"
#include "../biquad.h"

namespace oeq {

using velmora::BiquadCoppia;
using velmora::Coefficienti;

// The stage's settings record, filled from the e_ keys.
struct Impostazioni {
    double hp = 0;
    double hpq = 0.707;
    std::int32_t hpsez = 1;
    double lshz = 68, lsdb = 0;
    double b1hz = 117, b1db = 0, b1q = 2.1;
    double b2hz = 250, b2db = 0, b2q = 1;
    double b3hz = 2500, b3db = 0, b3q = 1;
    double hshz = 10000, hsdb = 0;
    double lp = 0;
    double lpq = 0.707;
    std::int32_t lpsez = 2;  // the low-pass always runs two sections
};

Impostazioni leggi(const velmora::Archivio& a);

// Coefficients and run decisions, designed on the main thread.
struct Progetto {
    Impostazioni imp;
    double sr = 48000;
    bool attivo = false;
    // Decisions taken once per design, so the audio loop only tests flags.
    bool hpOn = false, lsOn = false, hsOn = false, lpOn = false;
    bool bellOn[3] = {false, false, false};
    int hpSezioni = 1;
    Coefficienti hp, lp, ls, bell[3], hs;
};

// Pure design from settings and rate.
Progetto progetta(const Impostazioni& imp, double sr);

class Eq {
  public:
    // Audio thread, between blocks: new coefficients, histories carry over.
    void adotta(const Progetto& p);
    // Clears every history (engine creation, recovery from non-finite input).
    void azzera();
    void process(float* l, float* r, int n);
    const Progetto& progetto() const { return p_; }

  private:
    Progetto p_;
    // Each section runs both channels.
    BiquadCoppia hp_[2], lp_[2], ls_, bell_[3], hs_;
};

}  // namespace oeq
