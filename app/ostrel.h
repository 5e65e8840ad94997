// The front panel's macro knobs: each moves one or several parameters through a fixed formula.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "valori.h"

namespace velmora {

// One macro knob. `scrive` applies a position (through Valori::sincronizza); `legge` derives
// the position from the current values.
struct ComandoOstrel {
    std::string_view id;  // for "o_schiaccia" and "o_mbdrive" also a key of the store
    std::string_view nome;
    std::string_view unita;
    double min, max, passo, def;
    std::string_view consiglio;  // one-line advice (Italian)
    double da, a;                // recommended range
    std::string_view spiega;     // explanation (Italian)
    void (*scrive)(double x, Valori& v);
    double (*legge)(const Valori& v);
    std::string_view stadio;  // "AGC" or "BANDE"
};

extern const std::array<ComandoOstrel, 6> PANNELLO_OSTREL;

// The knob with this id, or nullptr.
const ComandoOstrel* trovaOstrel(std::string_view id);

enum class ColoreTema { Verde, Blu };

struct GruppoOstrel {
    std::string_view id;
    std::string_view nome;    // Italian heading
    std::string_view nomeEn;  // English heading
    ColoreTema colore;
    std::span<const std::string_view> voci;  // knob ids in display order
};

extern const std::array<GruppoOstrel, 2> GRUPPI_OSTREL;

// The position a knob shows: its reader's result clamped to its range.
double posizioneOstrel(const ComandoOstrel& k, const Valori& v);

// A drag on the knob's vertical bar of height `altezza`, pointer `y` points from the top: the
// new position, or nothing when it does not differ from `attuale` (then nothing is written).
std::optional<double> trascinaOstrel(const ComandoOstrel& k, double attuale, double y,
                                     double altezza);

// True when the position lies in the recommended range.
bool nelVerde(const ComandoOstrel& k, double posizione);

// Texts of a knob whose stage is switched off.
std::string etichettaSpento(const ComandoOstrel& k, bool italiano);
std::string aiutoSpento(const ComandoOstrel& k);

// Explanation line of the panel and heading of its gain-reduction section.
inline constexpr std::string_view SPIEGA_PANNELLO_IT =
    "Le cinque manopole che una manopola sola non e': ognuna dentro ne muove parecchie, e nella "
    "catena qui sotto non le trovi. La fascia verde e' dove il tecnico Tervane dice di stare.";
inline constexpr std::string_view SPIEGA_PANNELLO_EN =
    "The five controls that are not single parameters. The green band is where the Tervane "
    "technician says to stay.";
inline constexpr std::string_view RIDUZIONE_IT = "QUANTO SCHIACCIA";
inline constexpr std::string_view RIDUZIONE_EN = "GAIN REDUCTION";

}  // namespace velmora
