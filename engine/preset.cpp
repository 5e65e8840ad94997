#include "preset.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace velmora {

std::optional<Parametri> leggiPreset(std::string_view testo) {
    const auto j = nlohmann::json::parse(testo.begin(), testo.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    Parametri p;
    for (const auto& [chiave, valore] : j.items()) {
        if (!chiave.empty() && chiave[0] == '_') continue;
        double v;
        if (valore.is_boolean())
            v = valore.get<bool>() ? 1.0 : 0.0;
        else if (valore.is_number())
            v = valore.get<double>();
        else
            continue;
        if (!std::isfinite(v)) continue;  // 1e999 and the like: not a usable number
        p[chiave] = v;
    }
    if (auto it = p.find("x_top"); it != p.end() && it->second < 100) it->second = 20000;
    if (auto it = p.find("e_lp"); it != p.end() && it->second < 1000) it->second = 20000;
    return p;
}

std::string numeroG(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

std::string scriviPreset(const Parametri& p) {
    std::string t = "{\n";
    bool primo = true;
    for (const auto& [k, v] : p) {
        if (!primo) t += ",\n";
        primo = false;
        t += "  \"";
        t += k;
        t += "\": ";
        t += numeroG(v);
    }
    t += "\n}\n";
    return t;
}

}  // namespace velmora
