// Preset text: reading a JSON object of numbers, and writing a store in the shared layout.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "archivio.h"

namespace velmora {

// Parses preset text. Members whose name begins with "_" and members that are not numbers (or
// not finite) are skipped; true and false count as 1 and 0. No value when the text is not a JSON
// object. Then the two fix-ups: "x_top" and "e_lp" below their useful range become 20000.
std::optional<Parametri> leggiPreset(std::string_view testo);

// A number as "%g" writes it, independent of the process locale.
std::string numeroG(double v);

// The store in the shared layout: one "  \"key\": number" line per entry in key order.
std::string scriviPreset(const Parametri& p);

}  // namespace velmora
