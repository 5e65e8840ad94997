// The processing chain: parameter store, settings hand-over and the block frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "agc/agc.h"
#include "archivio.h"
#include "consegna.h"
#include "eq/eq.h"
#include "max/max.h"
#include "mb/mb.h"

namespace velmora {

// Rates above this (or not finite) are not audio rates: the engine runs at 48000 Hz instead.
inline constexpr double kFrequenzaMassima = 768000;

static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<float>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

// Head-of-chain settings: input gain, never-below detector, programme window, gate size.
struct Testa {
    double pre = 1.0;
    double canc = -200;
    double cancMs = 60;
    bool finestraAccesa = false;
    double finestraMin = -20, finestraMax = -20, finestraVel = 1;
    // Gate delay lines sized for this set (max(L, 1) samples each) and their slots. Swapped into
    // the running gate only when the length differs from the one in use.
    std::vector<float> portaL, portaR, portaPicchi;
};

// Everything the audio thread needs, built whole on the main thread by Catena::applica.
struct Istantanea {
    Testa testa;
    oeq::Progetto eq;
    agc::Progetto agc;
    omb::Progetto mb;
    omax::Progetto max;
};

// Settings records as read from the store, kept on the main thread.
struct Impostazioni {
    oeq::Impostazioni eq;
    agc::Params agc;
    omb::Params mb;
    omax::Params max;
    Testa testa;
    std::array<bool, 4> interruttori{true, true, true, true};
};

// Turns a store into settings records: engine defaults for absent keys, then the rules that join
// several keys (squeeze macro, band interaction, bands switch, broadcast mode). Pure.
Impostazioni leggiImpostazioni(const Parametri& parametri, double sr);

class Catena {
  public:
    explicit Catena(double sr);
    ~Catena();
    Catena(const Catena&) = delete;
    Catena& operator=(const Catena&) = delete;

    // Main thread.
    void applica();
    Parametri parametri;
    double sr() const { return sr_; }
    // Frees settings sets the audio thread has finished with.
    void raccogli() { consegna_.raccogli(); }
    // Gate target and speed reach the audio thread per block, outside the deferred application.
    void aggiornaPorta();

    // Audio thread.
    void elabora(float* l, float* r, int n);
    // Updates one side's meters; answers false when the block holds a non-finite sample.
    bool misura(const float* l, const float* r, int n, bool ingresso);
    // Only while no audio runs (creation): adopts the last published set at once.
    void adottaSubito();

    // State shared with the main thread.
    std::atomic<bool> acceso{true};
    std::array<std::atomic<bool>, 4> interruttori{true, true, true, true};
    std::atomic<bool> inAttesa{false};
    std::atomic<float> metroAgc{0}, metroFinale{0}, metroTosatura{0};
    std::array<std::atomic<float>, 5> metroBanda{}, metroLivello{}, metroUscita{};
    std::array<std::atomic<float>, 5> metroIn{}, metroOut{};
    std::atomic<double> guadagnoPorta{1.0};     // linear, published per block
    std::atomic<double> guadagnoFinestra{0.0};  // dB, published per block
    std::atomic<bool> portaAttiva{false};
    std::atomic<double> portaBersaglio{-12}, portaVelocita{3};
    std::atomic<std::uint32_t> ripristini{0};  // blocks muted because of non-finite samples

    // Stages (running state; touched by the main thread only while no audio runs).
    oeq::Eq stadioEq;
    agc::Agc stadioAgc;
    omb::Mb stadioMb;
    omax::Max stadioMax;

    // Running state of the frame, for tests.
    double pareggio = 1.0;

  private:
    void adotta(Istantanea& nuova);
    void porta(float* l, float* r, int n, const Testa& t);
    void finestra(float* l, float* r, int n, const Testa& t);
    void azzeraTutto();
    void pubblica(bool agcOn, bool mbOn, bool maxOn);

    double sr_;
    Consegna<Istantanea> consegna_;
    Istantanea* attuale_ = nullptr;

    // Never-below detector.
    double cancMedia_ = 1.0;
    bool cancSotto_ = false;
    // Input gate.
    std::vector<float> portaL_, portaR_, portaPicchi_;
    std::int32_t portaCasella_ = 0, portaConta_ = 0, portaScrivi_ = 0;
    double portaGuadagno_ = 1.0;
    // Programme window.
    Coefficienti finestraFiltro_[2];
    double finestraStato_[8] = {};
    double finestraMedia_ = 1e-9;
    double finestraGuadagno_ = 0;
    // Loudness match.
    double potenzaIn_ = 0, potenzaOut_ = 0;
    // Meters: side 0 input, side 1 output.
    double piccoVeloce_[2][2] = {}, piccoTenuto_[2][2] = {}, rms_[2] = {};
    std::int64_t tenuta_[2][2] = {};
};

// K-weighting of the programme window for a rate: high shelf, then high-pass.
std::array<Coefficienti, 2> pesaturaK(double fs);

}  // namespace velmora
