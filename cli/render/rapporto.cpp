#include "rapporto.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace resa {

std::string fisso(double v, int decimali) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    if (v == 0) v = 0;  // no "-0.0"
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimali);
    std::string t(buf, r.ptr);
    if (t.find_first_not_of("-0.") == std::string::npos && t[0] == '-') t.erase(0, 1);
    return t;
}

namespace {

double rtf(const Esito& e) {
    return e.durata > 0 ? e.tempoTotale / e.durata : 0;
}

std::string canali(int n) {
    return n == 1 ? "mono" : n == 2 ? "stereo" : std::to_string(n) + " channels";
}

std::string colonna(std::string t, std::size_t larghezza) {
    if (t.size() < larghezza) t.insert(0, larghezza - t.size(), ' ');
    return t;
}

// A figure, or null when it does not exist (silence has no loudness).
nlohmann::json numero(double v, int decimali = 2) {
    if (!std::isfinite(v)) return nullptr;
    const double scala = std::pow(10.0, decimali);
    return std::round(v * scala) / scala;
}

nlohmann::json livelli(const Livelli& l) {
    if (!l.misurato) return nullptr;
    return {{"integrated_lufs", numero(l.integrato)},
            {"loudness_range_lu", numero(l.gamma)},
            {"true_peak_dbtp", numero(l.piccoVero)},
            {"sample_peak_dbfs", numero(l.picco)}};
}

}  // namespace

std::string testoRapporto(const Esito& e) {
    std::string t;
    t += e.ingresso + " -> " + e.uscita + ": " + fisso(e.durata, 1) + " s, " +
         std::to_string(static_cast<long>(e.sr)) + " Hz, " + canali(e.canaliOut) + "\n";
    t += "  preset " + (e.preset.empty() ? std::string("none (engine defaults)") : e.preset) +
         ", " + (e.radio ? "broadcast" : "listening") + " mode" + (e.spento ? ", BYPASS" : "") +
         ", blocks of " + std::to_string(e.blocco) + "\n";
    auto riga = [&](const char* nome, double a, double b, const char* unita) {
        t += std::string("  ") + nome + colonna(fisso(a, 1), 8) + colonna(fisso(b, 1), 9) + " " +
             unita + "\n";
    };
    t += "                         input   output\n";
    riga("loudness             ", e.livelloIn.integrato, e.livelloOut.integrato, "LUFS");
    riga("loudness range       ", e.livelloIn.gamma, e.livelloOut.gamma, "LU");
    riga("true peak            ", e.livelloIn.piccoVero, e.livelloOut.piccoVero, "dBTP");
    riga("sample peak          ", e.livelloIn.picco, e.livelloOut.picco, "dBFS");
    if (!e.spento && !e.agc.vuota()) {
        t += "  leveller gain          " + fisso(e.agc.minimo, 1) + " to " +
             fisso(e.agc.massimo, 1) + " dB\n";
        t += "  bands, mean/deepest  ";
        for (std::size_t b = 0; b < 5; ++b)
            t += " " + std::to_string(b + 1) + ": " + fisso(e.bande[b].media(), 1) + "/" +
                 fisso(e.bande[b].minimo, 1);
        t += " dB\n";
        t += "  final limiter deepest  " + fisso(e.finale.minimo, 1) + " dB, clipper deepest " +
             fisso(e.tosatura.minimo, 1) + " dB\n";
    }
    t += "  real-time factor       " + fisso(rtf(e), 4) + " (" +
         fisso(rtf(e) > 0 ? 1 / rtf(e) : 0, 0) + "x real time)\n";
    const double file = e.tempoLettura + e.tempoScrittura;
    t += "  processor time         engine " + fisso(e.tempoMotore, 2) + " s, files " +
         fisso(file, 2) + " s";
    if (e.tempoMotore > 0) t += " (" + fisso(100 * file / e.tempoMotore, 0) + "% of the engine)";
    t += ", loudness " + fisso(e.tempoMisura, 2) + " s\n";
    return t;
}

std::string jsonRapporto(const Esito& e) {
    using nlohmann::json;
    json j;
    j["input"] = {{"file", e.ingresso},
                  {"format", e.formatoIn},
                  {"channels", e.canaliIn},
                  {"sample_rate", static_cast<long>(e.sr)},
                  {"frames", e.frame}};
    j["output"] = {{"file", e.uscita}, {"format", e.formatoOut}, {"channels", e.canaliOut}};
    j["duration_s"] = numero(e.durata, 3);
    j["preset"] = e.preset.empty() ? json(nullptr) : json(e.preset);
    j["mode"] = e.radio ? "broadcast" : "listening";
    j["bypass"] = e.spento;
    j["block"] = e.blocco;
    j["loudness"] = {{"input", livelli(e.livelloIn)}, {"output", livelli(e.livelloOut)}};
    if (e.spento || e.agc.vuota()) {
        j["leveller_gain_db"] = nullptr;
        j["bands"] = nullptr;
        j["final_limiter_deepest_db"] = nullptr;
        j["clipper_deepest_db"] = nullptr;
    } else {
        j["leveller_gain_db"] = {{"min", numero(e.agc.minimo)}, {"max", numero(e.agc.massimo)}};
        json bande = json::array();
        for (const auto& b : e.bande)
            bande.push_back({{"mean_db", numero(b.media())}, {"deepest_db", numero(b.minimo)}});
        j["bands"] = bande;
        j["final_limiter_deepest_db"] = numero(e.finale.minimo);
        j["clipper_deepest_db"] = numero(e.tosatura.minimo);
    }
    j["clipped_by_format"] = e.tosatiDalFormato;
    j["engine_s"] = numero(e.tempoMotore, 4);
    j["read_s"] = numero(e.tempoLettura, 4);
    j["write_s"] = numero(e.tempoScrittura, 4);
    j["metering_s"] = numero(e.tempoMisura, 4);
    j["file_io_overhead"] = e.tempoMotore > 0
                                ? numero((e.tempoLettura + e.tempoScrittura) / e.tempoMotore, 4)
                                : nlohmann::json(nullptr);
    j["total_s"] = numero(e.tempoTotale, 4);
    j["real_time_factor"] = numero(rtf(e), 5);
    j["warnings"] = e.avvisi;
    return j.dump(2) + "\n";
}

}  // namespace resa
