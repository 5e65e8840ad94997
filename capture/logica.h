// The capture layer's platform-free logic: the ring between the capture and render callbacks, the
// linear resampler, the input channel-pair selection and levels, the test tone, the counters, the
// order of start-up and teardown and the error texts. The audio server sits behind Piattaforma.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cattura {

// One buffer of an input buffer list: `canali` interleaved channels, `byte` bytes of float data.
struct Buffer {
    const float* dati = nullptr;
    uint32_t canali = 0;
    uint32_t byte = 0;
};

// An output device as the server describes it.
struct Uscita {
    uint32_t id = 0;
    std::string nome;
};

// The audio server's side of a capture. Every step returns 0 on success or a negative errno.
// Called on the main thread only, except emergenza (any thread, from a signal handler).
class Piattaforma {
  public:
    virtual ~Piattaforma() = default;
    // The "tap": our virtual sink node, created without running. frequenza receives the capture
    // rate (0 when it cannot be read).
    virtual int creaPresa(double& frequenza) = 0;
    // Makes the sink the default one, remembering the previous default.
    virtual int rendiPredefinita() = 0;
    // Hooks the capture callback to the sink (audio does not flow yet).
    virtual int agganciaLettura() = 0;
    // Creates the playback stream for that device (0: the default before ours); frequenza
    // receives the device's nominal rate (0 when unknown).
    virtual int apriUscita(uint32_t dispositivo, double& frequenza) = 0;
    // Sets the playback stream's format: stereo float at that rate.
    virtual int formatoUscita(double frequenza) = 0;
    virtual int avviaLettura() = 0;
    virtual int avviaUscita() = 0;
    // Teardown, in this order; each is called only for what exists.
    virtual void chiudiUscita() = 0;
    virtual void sganciaLettura() = 0;
    virtual void ripristinaPredefinita() = 0;
    virtual void distruggiPresa() = 0;
    // From a signal handler: give the sound back as far as can be done safely there.
    virtual void emergenza() = 0;

    virtual bool viva() = 0;
    virtual bool permesso() = 0;
    virtual std::vector<Uscita> uscite() = 0;
    // Id of the current default output (never our own sink), 0 when unknown.
    virtual uint32_t predefinita() = 0;
    // Name of the device the playback stream plays to; empty optional meanings as in the texts:
    // returns false when the device cannot be told, nome empty when it has no name.
    virtual bool uscitaInUso(std::string& nome) = 0;
};

// The audio server used by the cattura_* functions (the PipeWire one unless replaced). Passing
// nullptr puts the default back. Main thread, with no capture running.
void usaPiattaforma(Piattaforma* piattaforma);

// The processing step between capture and ring (velmora_elabora unless replaced).
using Elaborazione = void (*)(float* sinistra, float* destra, int n);
void usaElaborazione(Elaborazione elabora);

// The two real-time callbacks, called by the platform on its audio threads.
void letturaTap(const Buffer* buffer, int quanti);
void resaUscita(float* sinistra, float* destra, int quanti);

// Ring positions, for inspection.
uint32_t posizioneScrittura();
uint32_t posizioneLettura();
double frazione();
double passo();

constexpr uint32_t kAnello = 65536;
constexpr uint32_t kMaschera = kAnello - 1;
// Largest block handed to the engine at once; longer blocks are processed in pieces.
constexpr int kBlocco = 8192;
// Render calls in a row with a whole call's worth to spare before the excess is skipped.
constexpr int kPazienza = 32;

// The platform in use (the PipeWire one by default).
Piattaforma& piattaforma();
Piattaforma* piattaformaPipeWire();

}  // namespace cattura
