// The slow leveller: one stereo gain that brings every record to the same loudness, with gate,
// hold, track-change speed-up, brake, look-ahead, input high-pass, sub lift and boom cut.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "../archivio.h"
#include "../biquad.h"

namespace agc {

using velmora::Biquad;
using velmora::BiquadCoppia;
using velmora::Coefficienti;

// The stage's settings record, filled from the a_ keys.
struct Params {
    double target = -18;  // dB
    double up = 1;        // dB/s
    double down = 12;     // dB/s
    double gate = -45;    // dB
    double ant = 0;       // ms
    double winSu = 18;    // dB, from a_win
    double winGiu = 18;   // dB, from a_win
    double hold = 200;    // ms
    double det = 300;     // ms
    double cut = 60;      // Hz
    std::int32_t slope = 2;
    bool pesato = true;
    double salto = 10;     // dB
    double saltoms = 800;  // ms
    double saltox = 8;
    double freno = 6;     // dB
    double frenov = 800;  // dB/s
    double frenoms = 3;   // ms
    bool sologiu = false;
    double subhz = 68, sub = 0;
    double boomhz = 117, boom = 0, boomq = 2.1;
};

Params leggi(const velmora::Archivio& a);

// Input high-pass of one channel: up to three sections, Butterworth of order 2, 4 or 6.
struct PassaAlto {
    Biquad s[3];
    std::int32_t n = 1;

    // Designs the sections for a rate, a corner and a section count; histories are kept.
    void set(double sr, double cut, int sezioni);
    inline double elabora(double x) {
        for (std::int32_t k = 0; k < n; ++k) x = s[k].elabora(x);
        return x;
    }
};

// Everything derived from the settings and the rate, fixed in size.
struct Disegno {
    Params params;
    double sr = 48000;
    double coefDet = 0;
    std::int32_t ritardoLen = 0;                         // look-ahead in samples
    double passoSu = 0, passoGiu = 0;                    // dB per sample
    double rapportoSu = 1, rapportoGiu = 1;              // the same, linear
    double rapportoSuVeloce = 1, rapportoGiuVeloce = 1;  // in fast mode
    std::int64_t pausaCampioni = 0;
    double passoFreno = 0, rapportoFreno = 1, coefAttFreno = 0, coefRilFreno = 0;
    bool frenoAcceso = false;
    bool saltoAcceso = false;
    std::int32_t sogliaSalto = 1;  // samples beyond the jump distance before the fast mode
    bool subAcceso = false, boomAcceso = false;
    PassaAlto passaAlto;  // coefficients and section count (its histories stay unused)
    Coefficienti pesoShelf, pesoPassaAlto, sub, boom;
};
static_assert(std::is_trivially_copyable_v<Disegno>);

// Designed on the main thread. The look-ahead lines are allocated here, zeroed, max(L, 1) entries
// each, and swapped into the stage by adotta only when the delay differs from the running one; the
// lines they replace stay here and are freed with the design, on the main thread.
struct Progetto {
    Disegno disegno;
    std::vector<double> ritardoL, ritardoR;
};

// Pure design from settings and rate.
Progetto progetta(const Params& p, double sr);

class Agc {
  public:
    bool fermo = false;  // hold flag, written by the frame before every block

    // Audio thread, between blocks: new design; histories, gain, detectors and counters carry
    // over. Never allocates.
    void adotta(Progetto& p);
    // Clears all running state to its construction values (recovery from non-finite samples).
    void azzera();
    void process(float* l, float* r, int n);

    // Read-outs.
    double guadagnoDb() const { return guadagno_; }
    double guadagnoLineare() const { return guadagnoLin_; }
    double voluto() const { return voluto_; }
    double limiteFreno() const { return limiteFreno_; }
    // The detector's mean square in dB.
    double livelloDb() const;
    std::int32_t ritardo() const { return ritardoLen_; }
    const Disegno& disegno() const { return d_; }

  private:
    void decidi();
    void pulisci();

    Disegno d_;
    double potenza_ = 1e-20;
    double guadagno_ = 0;
    double guadagnoLin_ = 1;
    double voluto_ = 0;
    std::vector<double> ritardoL_, ritardoR_;
    std::int32_t ritardoLen_ = 0, ritardoPos_ = 0;
    double inviluppo_ = 1e-10;
    double limiteFreno_ = 99;
    std::int64_t pausa_ = 0;
    std::int32_t conta_ = 0, contaSalto_ = 0;
    // Input filters, both channels in each section: high-pass (nPassaAlto_ sections), sub, boom.
    BiquadCoppia passaAlto_[3], sub_, boom_;
    std::int32_t nPassaAlto_ = 1;
    Biquad pesoShelf_, pesoPassaAlto_;
};

}  // namespace agc
