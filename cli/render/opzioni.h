// Command line of velmora-render.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace resa {

// Bad input of any kind (options, files, presets): one line for the user, exit status 2.
class Errore : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Azione { Rendi, Aiuto, Versione };

struct Opzioni {
    Azione azione = Azione::Rendi;
    std::string ingresso, uscita;
    std::string preset;  // a preset file given by path
    std::string suono;   // a built-in sound or the stock preset, by name
    // --set, --broadcast and --listen, in command-line order, applied after the preset.
    std::vector<std::pair<std::string, double>> impostazioni;
    bool spento = false;  // --bypass
    int blocco = 512;
    std::string rapporto;  // --report: JSON file
    bool zitto = false;    // --quiet
};

// Reads the arguments after the program name. Throws Errore on anything it cannot use.
Opzioni leggiOpzioni(const std::vector<std::string>& argomenti);

// A decimal number, whole text, finite, independent of the process locale.
bool leggiNumero(const std::string& testo, double& valore);

// The --help text.
std::string testoAiuto();

inline constexpr int BLOCCO_MASSIMO = 1 << 20;

}  // namespace resa
