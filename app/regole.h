// When a control has no effect in the present setting, and which controls count most.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "valori.h"

namespace velmora {

// The controls of the final block that only run in broadcast mode.
inline constexpr std::array<std::string_view, 15> BLOCCO_TOSATURA{
    "x_tosaon", "x_limit", "x_ant", "x_rel", "x_rot",  "x_shape", "x_spazio", "x_spaziohz",
    "x_bcdb",   "x_bchz",  "x_pre", "x_top", "x_hfdb", "x_hfhz",  "x_clip"};
// The controls of the upper-mids bell and of the bass tail.
inline constexpr std::array<std::string_view, 3> MEDIO_ALTI{"x_mahz", "x_marel", "x_maq"};
inline constexpr std::array<std::string_view, 2> CODA_BASSO{"x_bshz", "x_bsq"};

// Why the control with this key has no effect with the values the store holds now (one Italian
// sentence), or nothing when it acts. Reads values only through `v`.
std::optional<std::string_view> scavalcato(std::string_view chiave, const Valori& v);

// The controls that count most, each with an Italian note on why.
struct Nota {
    std::string_view chiave;
    std::string_view nota;
};
extern const std::array<Nota, 25> COMANDI_CHE_CONTANO;

// The note of a key in COMANDI_CHE_CONTANO, or nothing.
std::optional<std::string_view> notaCheConta(std::string_view chiave);

}  // namespace velmora
