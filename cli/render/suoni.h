// Built-in sounds and the stock preset, and the check of a preset file before it is loaded.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace resa {

struct Suono {
    std::string_view file;  // file name without ".json"
    std::string_view nome, nomeEn;
};

inline constexpr std::array<Suono, 4> SUONI{{
    {"TERVANE-OSTREL", "Ostrel", "stock"},
    {"1-morbido", "Morbido", "Soft"},
    {"2-radio", "Radio", "Radio"},
    {"3-forte", "Forte", "Loud"},
}};

// Folders that may hold the built-in presets, in the order they are searched: the folder named
// by VELMORA_PRESET_DIR, the installed data folder beside the program, the configured data
// folder, the source tree.
std::vector<std::filesystem::path> cartellePreset();

// The file of a sound named by its file name, Italian or English name (case does not matter).
// Throws Errore for an unknown name or a sound whose file is in none of the folders.
std::filesystem::path trovaSuono(std::string_view nome,
                                 const std::vector<std::filesystem::path>& cartelle);

// Reads a preset as the engine will and answers the warnings worth showing: keys that mean
// nothing to the catalogue or the engine (kept all the same), members that are not numbers
// (skipped). Throws Errore when the file cannot be read or is not a JSON object.
std::vector<std::string> esaminaPreset(const std::filesystem::path& file);

}  // namespace resa
