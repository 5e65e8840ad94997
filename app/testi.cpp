// Help texts of the controls, English and Italian.
#include <array>

#include "catalogo.h"

namespace velmora {

namespace {

struct Testo {
    std::string_view chiave, aiuto, aiutoIt;
};

constexpr Testo TESTI[] = {
    {"e_hp", "0 turns it off.", ""},
};

}  // namespace

Aiuto testoAiuto(std::string_view chiave) {
    // Band keys share the text of their band-less form.
    if (chiave.starts_with("m_") && !chiave.empty() && chiave.back() >= '1' &&
        chiave.back() <= '5' && !chiave.starts_with("m_xo") && chiave != "m_acc34") {
        const std::string_view radice = chiave.substr(0, chiave.size() - 1);
        for (const Testo& t : TESTI)
            if (t.chiave == radice) return {t.aiuto, t.aiutoIt};
    }
    for (const Testo& t : TESTI)
        if (t.chiave == chiave) return {t.aiuto, t.aiutoIt};
    return {};
}

}  // namespace velmora
