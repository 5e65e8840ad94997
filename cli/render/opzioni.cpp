#include "opzioni.h"

#include <charconv>
#include <cmath>

namespace resa {

bool leggiNumero(const std::string& testo, double& valore) {
    const char* inizio = testo.data();
    const char* fine = inizio + testo.size();
    if (inizio != fine && *inizio == '+') ++inizio;
    if (inizio == fine || *inizio == '+' || *inizio == ' ') return false;
    double v = 0;
    const auto r = std::from_chars(inizio, fine, v);
    if (r.ec != std::errc() || r.ptr != fine || !std::isfinite(v)) return false;
    valore = v;
    return true;
}

namespace {

bool leggiIntero(const std::string& testo, int& valore) {
    const char* fine = testo.data() + testo.size();
    int v = 0;
    const auto r = std::from_chars(testo.data(), fine, v);
    if (r.ec != std::errc() || r.ptr != fine || testo.empty()) return false;
    valore = v;
    return true;
}

}  // namespace

Opzioni leggiOpzioni(const std::vector<std::string>& argomenti) {
    Opzioni o;
    std::vector<std::string> posizionali;
    bool soloPosizionali = false;
    for (std::size_t i = 0; i < argomenti.size(); ++i) {
        std::string a = argomenti[i];
        if (soloPosizionali || a.size() < 2 || a[0] != '-') {
            posizionali.push_back(a);
            continue;
        }
        if (a == "--") {
            soloPosizionali = true;
            continue;
        }
        // "--name=value" and "--name value" are the same.
        std::string valoreUnito;
        bool unito = false;
        if (const auto uguale = a.find('='); a.rfind("--", 0) == 0 && uguale != std::string::npos) {
            valoreUnito = a.substr(uguale + 1);
            a.resize(uguale);
            unito = true;
        }
        auto valore = [&]() -> std::string {
            if (unito) return valoreUnito;
            if (i + 1 >= argomenti.size()) throw Errore("option " + a + " needs a value");
            return argomenti[++i];
        };
        auto senzaValore = [&] {
            if (unito) throw Errore("option " + a + " takes no value");
        };
        if (a == "--help" || a == "-h") {
            senzaValore();
            o.azione = Azione::Aiuto;
        } else if (a == "--version" || a == "-V") {
            senzaValore();
            if (o.azione != Azione::Aiuto) o.azione = Azione::Versione;
        } else if (a == "--preset") {
            o.preset = valore();
            if (o.preset.empty()) throw Errore("--preset needs a file name");
        } else if (a == "--sound") {
            o.suono = valore();
            if (o.suono.empty()) throw Errore("--sound needs a name");
        } else if (a == "--set") {
            const std::string s = valore();
            const auto uguale = s.find('=');
            if (uguale == std::string::npos || uguale == 0)
                throw Errore("--set wants KEY=VALUE, not '" + s + "'");
            double v = 0;
            if (!leggiNumero(s.substr(uguale + 1), v))
                throw Errore("--set " + s.substr(0, uguale) + ": '" + s.substr(uguale + 1) +
                             "' is not a number");
            o.impostazioni.emplace_back(s.substr(0, uguale), v);
        } else if (a == "--broadcast") {
            senzaValore();
            o.impostazioni.emplace_back("x_radio", 1.0);
        } else if (a == "--listen") {
            senzaValore();
            o.impostazioni.emplace_back("x_radio", 0.0);
        } else if (a == "--bypass") {
            senzaValore();
            o.spento = true;
        } else if (a == "--block") {
            const std::string s = valore();
            if (!leggiIntero(s, o.blocco) || o.blocco < 1 || o.blocco > BLOCCO_MASSIMO)
                throw Errore("--block: '" + s + "' is not a whole number from 1 to " +
                             std::to_string(BLOCCO_MASSIMO));
        } else if (a == "--report") {
            o.rapporto = valore();
            if (o.rapporto.empty()) throw Errore("--report needs a file name");
        } else if (a == "--quiet" || a == "-q") {
            senzaValore();
            o.zitto = true;
        } else {
            throw Errore("unknown option " + a + " (see --help)");
        }
    }
    if (o.azione != Azione::Rendi) return o;
    if (!o.preset.empty() && !o.suono.empty())
        throw Errore("--preset and --sound exclude each other");
    if (posizionali.size() != 2)
        throw Errore(posizionali.size() < 2
                         ? "needs an INPUT and an OUTPUT file (see --help)"
                         : "too many files: '" + posizionali[2] + "' (only INPUT and OUTPUT)");
    o.ingresso = posizionali[0];
    o.uscita = posizionali[1];
    return o;
}

std::string testoAiuto() {
    return R"(Usage: velmora-render [options] INPUT OUTPUT

Processes an audio file offline through the Velmora engine, block by block, exactly as the
live path does, at the file's own sample rate.

Files: WAV, FLAC, OGG/Vorbis, AIFF and the other formats libsndfile reads. The OUTPUT
extension picks the format (.wav float, .flac and .aiff 24-bit, .ogg Vorbis, .aifc .caf .w64
.rf64 .au float); without an extension the output is float WAV. Mono stays mono; of more than
two channels only the first pair is processed and written.

Options:
  --preset FILE      load a preset file
  --sound NAME       load a built-in sound or the stock preset: TERVANE-OSTREL,
                     1-morbido (Soft), 2-radio (Radio), 3-forte (Loud)
  --set KEY=VALUE    set one parameter after the preset (repeatable)
  --broadcast        broadcast mode (x_radio 1): clipping, look-ahead, safety limiter
  --listen           listening mode (x_radio 0)
  --bypass           processing off: the loudness-matched bypass of the engine; the match
                     is learnt by a first processed pass over the whole file
  --block N          frames per block (default 512)
  --report FILE      also write the final report as JSON
  -q, --quiet        no progress bar and no report on the terminal (and, without
                     --report, no loudness measurement either)
  -h, --help         this text
  -V, --version      the version

Exit status: 0 done, 1 failure while processing or writing, 2 bad input (options,
files, presets), 130 interrupted. No output file is left behind unless it is complete.
)";
}

}  // namespace resa
