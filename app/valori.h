// The value interface through which the catalogue logic reads and writes parameters.
#pragma once

#include <string_view>

namespace velmora {

// Access to the parameter store as the application sees it. The application model implements
// it over the engine; the command-line tools and the tests can implement it over anything.
class Valori {
  public:
    virtual ~Valori() = default;
    // The current value of a key; the catalogue default when the store has none (0 for a key
    // outside the catalogue).
    virtual double valore(std::string_view chiave) const = 0;
    // True when the store holds a value for the key.
    virtual bool ha(std::string_view chiave) const = 0;
    // Writes a value changed by something other than its own widget, and makes every widget
    // re-read its value.
    virtual void sincronizza(std::string_view chiave, double valore) = 0;
};

}  // namespace velmora
