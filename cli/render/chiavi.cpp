#include "chiavi.h"

#include <algorithm>
#include <array>

#include "catalogo.h"

namespace resa {

bool nelCatalogo(std::string_view chiave) {
    return velmora::trova(chiave) != nullptr;
}

bool chiaveDelMotore(std::string_view chiave) {
    constexpr std::array<std::string_view, 11> MOTORE{"e_on",      "a_on",  "m_on",        "x_on",
                                                      "m_com",     "m_ban", "o_schiaccia", "a_down",
                                                      "a_frenoms", "m_out", "x_bsrel"};
    return std::find(MOTORE.begin(), MOTORE.end(), chiave) != MOTORE.end();
}

}  // namespace resa
