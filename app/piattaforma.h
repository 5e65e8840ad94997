// What the model needs from below it besides the parameter store: the capture layer, the
// engine's read-outs, the audio server's version and the desktop. PiattaformaVera calls the
// cattura_* and velmora_* functions and PipeWire; tests put a double in its place.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// One reading of every engine read-out the meters show (dB, dBFS for the meters).
struct Letture {
    float agc = 0;
    std::array<float, 5> bande{};
    std::array<float, 5> livelli{-100, -100, -100, -100, -100};
    std::array<float, 5> uscite5{-100, -100, -100, -100, -100};
    float finale = 0;
    float tosatura = 0;
    // 0 to 4: left peak, right peak, left held peak, right held peak, smoothed RMS.
    std::array<float, 5> metroIn{-100, -100, -100, -100, -100};
    std::array<float, 5> metroOut{-100, -100, -100, -100, -100};
};

// Versions of the PipeWire library this program runs with and of the server it talks to.
struct VersioneAudio {
    std::string libreria;  // e.g. "0.3.65"
    std::string server;    // empty when the server cannot be reached
};

// True when a version text "a.b.c" (any trailing part ignored) is at least the given one.
bool almeno(std::string_view versione, int maggiore, int minore, int micro);

class Piattaforma {
  public:
    virtual ~Piattaforma() = default;

    // Capture (the cattura_* functions of the same names).
    virtual bool avvia(uint32_t dispositivo) = 0;
    virtual void ferma() = 0;
    virtual std::string errore() = 0;  // empty when there is none
    virtual uint64_t conteggio() = 0;
    virtual bool viva() = 0;
    virtual int canale() = 0;
    virtual int quantiCanali() = 0;
    virtual float piuForte() = 0;
    virtual bool altroAttivo() = 0;
    virtual bool permesso() = 0;
    // The output names, one per line; nothing when the list cannot be read.
    virtual std::optional<std::string> elencoUscite() = 0;
    virtual uint32_t idUscita(int indice) = 0;
    virtual int uscitaPredefinita() = 0;

    // The engine's read-outs.
    virtual Letture letture() = 0;

    // The audio system and the desktop.
    virtual VersioneAudio versioneAudio() = 0;
    // A link to the desktop's sound settings, when this desktop has them.
    virtual std::optional<std::string> impostazioniAudio() = 0;
    // Opens a link; false when it is not one or nothing could open it.
    virtual bool apri(const std::string& indirizzo) = 0;
};

// The real thing: cattura_*, velmora_* read-outs, PipeWire, xdg-open.
class PiattaformaVera final : public Piattaforma {
  public:
    bool avvia(uint32_t dispositivo) override;
    void ferma() override;
    std::string errore() override;
    uint64_t conteggio() override;
    bool viva() override;
    int canale() override;
    int quantiCanali() override;
    float piuForte() override;
    bool altroAttivo() override;
    bool permesso() override;
    std::optional<std::string> elencoUscite() override;
    uint32_t idUscita(int indice) override;
    int uscitaPredefinita() override;
    Letture letture() override;
    VersioneAudio versioneAudio() override;
    std::optional<std::string> impostazioniAudio() override;
    bool apri(const std::string& indirizzo) override;
};

}  // namespace velmora
