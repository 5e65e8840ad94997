// The parameter store: key to double, ordered by byte-wise key comparison.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace velmora {

using Parametri = std::map<std::string, double, std::less<>>;

// Read-only view used by parameter application: a present key gives its value, an absent key
// the engine default the caller names.
class Archivio {
  public:
    explicit Archivio(const Parametri& p) : p_(p) {}
    double valore(std::string_view chiave, double seManca) const {
        auto it = p_.find(chiave);
        return it == p_.end() ? seManca : it->second;
    }
    bool ha(std::string_view chiave) const { return p_.find(chiave) != p_.end(); }
    // Switch keys are on above 0.5.
    bool acceso(std::string_view chiave, bool seManca) const {
        auto it = p_.find(chiave);
        return it == p_.end() ? seManca : it->second > 0.5;
    }
    // Band keys: prefix followed by the band number 1..5.
    double banda(std::string_view prefisso, int b, double seManca) const {
        char k[24];
        const std::size_t n = prefisso.size() < 20 ? prefisso.size() : 20;
        prefisso.copy(k, n);
        k[n] = char('0' + b);
        return valore(std::string_view(k, n + 1), seManca);
    }

  private:
    const Parametri& p_;
};

}  // namespace velmora
