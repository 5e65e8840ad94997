// The final report of a render: a few lines for the terminal, the same figures as JSON.
#pragma once

#include <string>

#include "resa.h"

namespace resa {

std::string testoRapporto(const Esito& e);
std::string jsonRapporto(const Esito& e);

// A number with a fixed count of decimals, independent of the process locale; "-inf" for
// minus infinity.
std::string fisso(double v, int decimali);

}  // namespace resa
