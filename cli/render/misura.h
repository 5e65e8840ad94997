// Loudness measurement of one side of a render: integrated loudness and loudness range from
// libebur128, sample peak and true peak computed here (the library's own true peak costs more
// than the whole engine).
#pragma once

#include <ebur128.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "resa.h"

namespace resa {

// True peak after BS.1770 oversampling: 4 times below 96 kHz, twice below 192 kHz, none above,
// with the 49-tap windowed-sinc interpolator that libebur128 uses, so both agree.
class PiccoVero {
  public:
    PiccoVero(int canali, double sr);
    // Interleaved frames.
    void aggiungi(const float* dati, std::size_t frame);
    // Linear peaks over all channels so far: oversampled and plain.
    double vero() const;
    double campione() const { return campione_; }

  private:
    template <int F, int P>
    float sovracampiona(const float* x, std::size_t frame, float gia);

    int canali_, fattore_ = 1, prese_ = 1;    // phases, taps per phase
    std::vector<float> fasi_;                 // fasi_[f * prese_ + t] weighs x[n - t]
    std::vector<std::vector<float>> storia_;  // per channel: its last prese_ - 1 samples
    std::vector<float> lavoro_;
    double guadagnoMassimo_ = 1;
    double vero_ = 0, campione_ = 0;
};

class Misuratore {
  public:
    // No measurement at all (a null state) when libebur128 refuses the rate or channel count.
    Misuratore(int canali, double sr);
    ~Misuratore();
    Misuratore(const Misuratore&) = delete;
    Misuratore& operator=(const Misuratore&) = delete;

    bool valido() const { return stato_ != nullptr; }
    void aggiungi(const float* dati, std::size_t frame);
    Livelli livelli() const;

  private:
    ebur128_state* stato_ = nullptr;
    PiccoVero picchi_;
};

}  // namespace resa
