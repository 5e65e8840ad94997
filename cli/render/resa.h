// Rendering a file through the engine, block by block, as the live path does, with the
// measurements of the final report.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "opzioni.h"

namespace resa {

// Loudness of one side, as measured over the whole file.
struct Livelli {
    bool misurato = false;
    double integrato = -std::numeric_limits<double>::infinity();  // LUFS
    double gamma = 0;                                             // loudness range, LU
    double piccoVero = -std::numeric_limits<double>::infinity();  // dBTP
    double picco = -std::numeric_limits<double>::infinity();      // sample peak, dBFS
};

// One read-out over the render: mean weighted by frames, lowest and highest value.
struct Statistica {
    double somma = 0, peso = 0;
    double minimo = std::numeric_limits<double>::infinity();
    double massimo = -std::numeric_limits<double>::infinity();
    void aggiungi(double v, double frame) {
        somma += v * frame;
        peso += frame;
        if (v < minimo) minimo = v;
        if (v > massimo) massimo = v;
    }
    bool vuota() const { return peso <= 0; }
    double media() const { return peso > 0 ? somma / peso : 0; }
};

struct Esito {
    std::string ingresso, uscita, formatoIn, formatoOut, preset;
    double sr = 0;
    int canaliIn = 0, canaliOut = 0, blocco = 0;
    std::int64_t frame = 0;
    double durata = 0;  // s
    bool radio = false, spento = false;
    Livelli livelloIn, livelloOut;
    // Read-outs of the processed pass (empty when bypassed).
    Statistica agc, finale, tosatura;
    std::array<Statistica, 5> bande;
    std::int64_t tosatiDalFormato = 0;  // samples beyond full scale in an integer output format
    // Processor time (s) of the pass that writes the output, by kind of work: the engine (its
    // blocks and the read-outs between them), reading and decoding the input, encoding and
    // writing the output, the loudness measurement. Wall-clock time of the whole pass.
    double tempoMotore = 0, tempoLettura = 0, tempoScrittura = 0, tempoMisura = 0;
    double tempoTotale = 0;
    std::vector<std::string> avvisi;
};

// Set from a signal handler: the render stops at the next chunk and removes what it wrote.
extern std::atomic<bool> interruzione;
static_assert(std::atomic<bool>::is_always_lock_free);

class Interrotto : public std::runtime_error {
  public:
    Interrotto() : std::runtime_error("interrupted") {}
};

// The libsndfile format for an output file name; float WAV without an extension. Throws
// Errore for an extension no writer is known for.
int formatoUscita(const std::filesystem::path& uscita);

using Avvisatore = std::function<void(const std::string&)>;
// Called after every chunk: fraction done (0..1) and seconds since the start.
using Avanzamento = std::function<void(double frazione, double secondi)>;

// The whole job. Throws Errore for bad input (nothing is left at the output or report path),
// Interrotto when interrupted, std::runtime_error when writing fails. Warnings go to `avviso`
// as they arise and are kept in the result.
Esito rendi(const Opzioni& o, const Avvisatore& avviso, const Avanzamento& avanza);

}  // namespace resa
