// The control catalogue: every user parameter with its section, names, unit, range, step,
// default and help, the reduced view, the equaliser handles, and how a moved value is settled.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "valori.h"

namespace velmora {

// One control.
struct Comando {
    std::string id;       // parameter key, unique in the table
    std::string sezione;  // "EQ", "AGC", "BANDE", "CLIPPING", "FINALE", "BANDA 1" ... "BANDA 5"
    std::string nome;     // English display name
    std::string nomeIt;   // Italian display name
    std::string unita;    // suffix appended after the number: " dB", ":1", or empty
    double min = 0;
    double max = 0;
    double passo = 0;
    double def = 0;
    std::string aiuto;    // English help (may be empty)
    std::string aiutoIt;  // Italian help (empty exactly when aiuto is)

    // An on/off switch: range 0 ... 1 with step 1.
    bool interruttore() const { return min == 0 && max == 1 && passo == 1; }
    // Name and help in the chosen language.
    const std::string& nomeIn(bool italiano) const { return italiano ? nomeIt : nome; }
    const std::string& aiutoIn(bool italiano) const { return italiano ? aiutoIt : aiuto; }

    friend bool operator==(const Comando&, const Comando&) = default;
};

// The ordered table of the 148 controls, built once on first use and never changed. Sections
// come in the order EQ, AGC, BANDE, CLIPPING, FINALE, BANDA 1 ... BANDA 5; inside a section the
// order is the display order.
class TabellaComandi {
  public:
    const Comando* begin() const;
    const Comando* end() const;
    std::size_t size() const;
    const Comando& operator[](std::size_t i) const;
};
inline constexpr TabellaComandi COMANDI{};

// The control with this key, or nullptr.
const Comando* trova(std::string_view id);

// Section labels in display order.
inline constexpr std::array<std::string_view, 10> SEZIONI{
    "EQ",      "AGC",     "BANDE",   "CLIPPING", "FINALE",
    "BANDA 1", "BANDA 2", "BANDA 3", "BANDA 4",  "BANDA 5"};

// Key -> default, built once from COMANDI; the fallback whenever the model reads a value.
class TabellaPredefiniti {
  public:
    const std::map<std::string, double, std::less<>>& mappa() const;
    // The catalogue default of a key, 0 for a key outside the catalogue.
    double operator()(std::string_view chiave) const;
};
inline constexpr TabellaPredefiniti PREDEFINITI{};

// Key patterns of the reduced view. "m_sot", "m_sog", "m_tet", "m_att" and "m_ril" stand for
// the band controls of all five bands.
inline constexpr std::array<std::string_view, 46> ESSENZIALI{
    "m_sot",    "f_on",   "f_min",   "f_max",  "f_vel",    "e_hp",     "e_lshz",   "e_lsdb",
    "e_b1hz",   "e_b1db", "e_b1q",   "e_b3hz", "e_b3db",   "e_hshz",   "e_hsdb",   "e_lp",
    "a_target", "a_win",  "a_up",    "a_cut",  "a_sub",    "a_boom",   "a_freno",  "a_frenov",
    "m_det",    "m_lib",  "m_sbav",  "m_lim",  "m_limrel", "m_unione", "m_sumax",  "m_giumax",
    "m_acc",    "m_sog",  "m_tet",   "m_att",  "m_ril",    "x_clip",   "x_spazio", "x_bcdb",
    "x_pre",    "x_hfdb", "x_bsfix", "x_in",   "x_out",    "x_mix"};

// Membership in the reduced view: the key itself, or its part before the first digit, is in
// ESSENZIALI.
bool essenziale(const Comando& c);

// An sRGB colour.
struct Colore {
    double rosso, verde, blu, opacita;
};

// One handle of the equaliser curve and the keys it moves (absent: that dimension stays put).
struct Filtro {
    std::string_view id;
    std::string_view nome;
    std::optional<std::string_view> hz, db, q;
    Colore colore;
};

inline constexpr std::array<Filtro, 7> FILTRI{{
    {"HP", "passa-alto", "e_hp", std::nullopt, "e_hpq", {0.85, 0.35, 0.35, 1}},
    {"LS", "scaffale basso", "e_lshz", "e_lsdb", std::nullopt, {0.93, 0.6, 0.25, 1}},
    {"B1", "campana 1", "e_b1hz", "e_b1db", "e_b1q", {0.85, 0.75, 0.2, 1}},
    {"B2", "campana 2", "e_b2hz", "e_b2db", "e_b2q", {0.3, 0.72, 0.4, 1}},
    {"B3", "campana 3", "e_b3hz", "e_b3db", "e_b3q", {0.25, 0.62, 0.85, 1}},
    {"HS", "scaffale alto", "e_hshz", "e_hsdb", std::nullopt, {0.55, 0.45, 0.85, 1}},
    {"LP", "passa-basso", "e_lp", std::nullopt, "e_lpq", {0.6, 0.6, 0.65, 1}},
}};

// The value a control takes when moved to `grezzo`: clamped to min ... max, then rounded to a
// multiple of the step counted from 0 (halves away from zero). A value that is not a number
// gives the default.
double muovi(const Comando& c, double grezzo);
// A value rounded to the nearest multiple of `passo` counted from 0, halves away from zero
// (unchanged when `passo` is not above 0).
double arrotondaAlPasso(double x, double passo);

// The raw value of a vertical number drag: the whole range per 260 points, upwards increasing.
double trascinaNumero(const Comando& c, double valoreIniziale, double spostamentoVerticale);

// A value as a knob shows it: two decimals, a point whatever the locale, then the unit.
std::string mostraValore(double valore, std::string_view unita);

// The controls of a section a group view shows, in table order: all or only the essential ones,
// never the crossovers (they have their own row), and without the controls that have no effect
// now unless `mostraSpenti`. `nascosti` counts the ones left out for having no effect.
struct Elenco {
    std::vector<const Comando*> comandi;
    int nascosti = 0;
};
Elenco elencaSezione(std::string_view sezione, bool tutto, bool mostraSpenti, const Valori& v);

// The tooltip of a control: the help in the chosen language, preceded by the reason it has no
// effect now, or else by the note on why it counts.
std::string fumetto(const Comando& c, bool italiano, const Valori& v);

// The footer line while the pointer is over a control: name, " — ", help.
std::string suggerimento(const Comando& c, bool italiano);
// True when the footer text still belongs to the control named `nome` (so leaving it clears it).
bool suggerimentoDi(std::string_view testo, std::string_view nome);

// Help texts by key; band keys are looked up without their number. Empty for unknown keys.
struct Aiuto {
    std::string_view aiuto, aiutoIt;
};
Aiuto testoAiuto(std::string_view chiave);

}  // namespace velmora

// Hashing covers all eleven fields, like equality.
template <>
struct std::hash<velmora::Comando> {
    std::size_t operator()(const velmora::Comando& c) const noexcept;
};
