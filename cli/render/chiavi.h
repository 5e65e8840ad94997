// Which parameter keys mean something: the controls of the catalogue and the keys only the
// engine reads. Any other key is still stored by the engine, but the user is warned.
#pragma once

#include <string_view>

namespace resa {

// True when the control catalogue has a control with this key.
bool nelCatalogo(std::string_view chiave);

// True for the keys the engine reads that are not controls: the six stage switches, the
// squeeze macro and the engine's own tuning keys.
bool chiaveDelMotore(std::string_view chiave);

inline bool chiaveConosciuta(std::string_view chiave) {
    return nelCatalogo(chiave) || chiaveDelMotore(chiave);
}

}  // namespace resa
