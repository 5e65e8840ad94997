#include "suoni.h"

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "chiavi.h"
#include "opzioni.h"

namespace fs = std::filesystem;

namespace resa {

namespace {

bool stessoNome(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto minuscola = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (minuscola(a[i]) != minuscola(b[i])) return false;
    }
    return true;
}

std::string elenco(const std::vector<std::string>& voci) {
    std::string t;
    for (const auto& v : voci) t += (t.empty() ? "" : ", ") + v;
    return t;
}

}  // namespace

std::vector<fs::path> cartellePreset() {
    std::vector<fs::path> c;
    if (const char* d = std::getenv("VELMORA_PRESET_DIR"); d != nullptr && *d != '\0')
        c.emplace_back(d);
    std::error_code ec;
    const fs::path eseguibile = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) c.push_back(eseguibile.parent_path().parent_path() / "share/velmora/presets");
    c.emplace_back(VELMORA_DIR_PRESET);
    c.emplace_back(VELMORA_DIR_PRESET_SORGENTE);
    return c;
}

fs::path trovaSuono(std::string_view nome, const std::vector<fs::path>& cartelle) {
    const Suono* trovato = nullptr;
    for (const auto& s : SUONI)
        if (stessoNome(nome, s.file) || stessoNome(nome, s.nome) || stessoNome(nome, s.nomeEn))
            trovato = &s;
    if (trovato == nullptr) {
        std::vector<std::string> nomi;
        for (const auto& s : SUONI) nomi.emplace_back(s.file);
        throw Errore("unknown sound '" + std::string(nome) + "' (known: " + elenco(nomi) + ")");
    }
    const std::string file = std::string(trovato->file) + ".json";
    for (const auto& d : cartelle) {
        std::error_code ec;
        if (fs::is_regular_file(d / file, ec)) return d / file;
    }
    std::vector<std::string> dove;
    for (const auto& d : cartelle) dove.push_back(d.string());
    throw Errore("sound '" + std::string(trovato->file) + "': " + file + " is in none of " +
                 elenco(dove));
}

std::vector<std::string> esaminaPreset(const fs::path& file) {
    const std::string nome = file.string();
    std::error_code ec;
    if (fs::is_directory(file, ec)) throw Errore("preset " + nome + " is a folder");
    std::ifstream f(file, std::ios::binary);
    if (!f)
        throw Errore("cannot read preset " + nome + ": " + std::generic_category().message(errno));
    std::ostringstream testo;
    testo << f.rdbuf();
    if (f.bad()) throw Errore("cannot read preset " + nome);
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(testo.str());
    } catch (const nlohmann::json::parse_error& e) {
        std::string perche = e.what();
        if (const auto p = perche.find("] "); p != std::string::npos) perche.erase(0, p + 2);
        throw Errore("preset " + nome + " is not valid JSON: " + perche);
    }
    if (!j.is_object()) throw Errore("preset " + nome + " is not a JSON object of numbers");

    std::vector<std::string> ignote, nonNumeri;
    for (const auto& [chiave, valore] : j.items()) {
        if (!chiave.empty() && chiave[0] == '_') continue;
        if (!valore.is_number() && !valore.is_boolean())
            nonNumeri.push_back(chiave);
        else if (!chiaveConosciuta(chiave))
            ignote.push_back(chiave);
    }
    std::vector<std::string> avvisi;
    if (!ignote.empty())
        avvisi.push_back("preset " + nome + ": unknown key" + (ignote.size() > 1 ? "s " : " ") +
                         elenco(ignote) + " (kept)");
    if (!nonNumeri.empty())
        avvisi.push_back("preset " + nome + ": not a number, skipped: " + elenco(nonNumeri));
    return avvisi;
}

}  // namespace resa
