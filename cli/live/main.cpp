// velmora-live: the live path without a window. Starts capture with the engine, shows the output
// in use and, on a terminal, a status line every second, and runs until SIGINT or SIGTERM (or the
// given number of seconds), then stops and gives the sound back.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cattura.h"
#include "velmora.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUso =
    "uso: velmora-live [--preset FILE | --sound NAME] [--output NAME] [--list-outputs] [--tone]\n"
    "                  [--seconds N]\n";

std::atomic<bool> gFine{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void suFine(int) {
    gFine.store(true);
}

struct Opzioni {
    std::string preset;
    std::string suono;
    std::string uscita;
    bool elenco = false;
    bool tono = false;
    double secondi = 0;  // 0: until a signal
};

int sbagliato(const std::string& messaggio) {
    std::fprintf(stderr, "velmora-live: %s\n%s", messaggio.c_str(), kUso);
    return 2;
}

std::vector<std::string> righe(const char* testo) {
    std::vector<std::string> out;
    std::string riga;
    for (const char* p = testo != nullptr ? testo : ""; *p != '\0'; ++p) {
        if (*p == '\n') {
            if (!riga.empty()) out.push_back(riga);
            riga.clear();
        } else {
            riga += *p;
        }
    }
    if (!riga.empty()) out.push_back(riga);
    return out;
}

// The presets/NAME.json of the source tree, or of an installed share/velmora/presets.
std::string trovaSuono(const std::string& nome) {
    std::vector<fs::path> cartelle = {fs::path(VELMORA_SORGENTE) / "presets"};
    std::error_code ec;
    const fs::path eseguibile = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) cartelle.push_back(eseguibile.parent_path().parent_path() / "share/velmora/presets");
    cartelle.push_back(fs::path(VELMORA_INSTALLATO) / "share/velmora/presets");
    for (const fs::path& c : cartelle) {
        const fs::path p = c / (nome + ".json");
        if (fs::is_regular_file(p, ec)) return p.string();
    }
    return "";
}

bool leggiOpzioni(int argc, char** argv, Opzioni& o, std::string& errore) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto valore = [&](std::string& dove) {
            if (i + 1 >= argc) {
                errore = a + " vuole un valore";
                return false;
            }
            dove = argv[++i];
            return true;
        };
        if (a == "--preset") {
            if (!valore(o.preset)) return false;
        } else if (a == "--sound") {
            if (!valore(o.suono)) return false;
        } else if (a == "--output") {
            if (!valore(o.uscita)) return false;
        } else if (a == "--list-outputs") {
            o.elenco = true;
        } else if (a == "--tone") {
            o.tono = true;
        } else if (a == "--seconds") {
            std::string s;
            if (!valore(s)) return false;
            char* fine = nullptr;
            errno = 0;
            o.secondi = std::strtod(s.c_str(), &fine);
            if (errno != 0 || fine == s.c_str() || *fine != '\0' || !(o.secondi > 0) ||
                o.secondi > 1e7) {
                errore = "--seconds vuole un numero di secondi maggiore di zero";
                return false;
            }
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUso, stdout);
            std::exit(0);
        } else {
            errore = "opzione sconosciuta: " + a;
            return false;
        }
    }
    if (!o.preset.empty() && !o.suono.empty()) {
        errore = "--preset e --sound si escludono";
        return false;
    }
    return true;
}

void stato() {
    std::printf("ingresso %6.1f dB | livellatore %+5.1f dB | bande", cattura_piu_forte(),
                velmora_guadagno_agc());
    for (int b = 0; b < 5; ++b) std::printf(" %+5.1f", velmora_banda(b));
    std::printf(" dB | anello %5u | trabocchi %llu ammanchi %llu\n", cattura_anello(),
                static_cast<unsigned long long>(cattura_trabocchi()),
                static_cast<unsigned long long>(cattura_ammanchi()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Opzioni o;
    std::string errore;
    if (!leggiOpzioni(argc, argv, o, errore)) return sbagliato(errore);

    if (o.elenco) {
        for (const std::string& r : righe(cattura_elenco_uscite())) std::printf("%s\n", r.c_str());
        return 0;
    }

    velmora_crea(48000);
    if (!o.suono.empty()) {
        if (o.suono.find('/') != std::string::npos || o.suono.empty() || o.suono[0] == '.')
            return sbagliato("nome di suono non valido: " + o.suono);
        o.preset = trovaSuono(o.suono);
        if (o.preset.empty()) {
            std::fprintf(stderr,
                         "velmora-live: suono non trovato: %s (cercato %s.json in %s/presets "
                         "e in share/velmora/presets)\n",
                         o.suono.c_str(), o.suono.c_str(), VELMORA_SORGENTE);
            return 2;
        }
    }
    if (!o.preset.empty() && !velmora_carica_preset(o.preset.c_str())) {
        std::fprintf(stderr, "velmora-live: non riesco a leggere il preset %s\n", o.preset.c_str());
        return 2;
    }

    if (cattura_altro_attivo()) {
        std::fprintf(
            stderr,
            "C'e' gia' un altro Velmora aperto. Chiudilo prima: due sulla stessa uscita si "
            "sentono a vicenda e distorcono tutto.\n");
        return 1;
    }

    uint32_t id = 0;
    if (!o.uscita.empty()) {
        const std::vector<std::string> nomi = righe(cattura_elenco_uscite());
        for (std::size_t i = 0; i < nomi.size() && id == 0; ++i)
            if (nomi[i] == o.uscita) id = cattura_id_uscita(static_cast<int>(i));
        if (id == 0) {
            std::fprintf(stderr, "velmora-live: uscita non trovata: %s (vedi --list-outputs)\n",
                         o.uscita.c_str());
            return 2;
        }
    }

    cattura_tono(o.tono);
    if (!cattura_avvia(id)) {
        std::fprintf(stderr, "%s\n", cattura_errore());
        return 1;
    }
    // Our own handlers replace the capture layer's for these two: they end the run cleanly.
    struct sigaction sa {};
    sa.sa_handler = suFine;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    std::printf("uscita: %s\n", cattura_uscita_in_uso());
    std::printf("frequenze: cattura %.0f Hz, uscita %.0f Hz\n", cattura_frequenza(),
                cattura_frequenza_uscita());
    std::fflush(stdout);

    const bool terminale = isatty(STDOUT_FILENO) == 1;
    uint64_t trabocchi1 = 0, ammanchi1 = 0;
    int decimi = 0, morta = 0;
    int esito = 0;
    while (!gFine.load()) {
        usleep(100 * 1000);
        ++decimi;
        if (decimi == 10) {
            trabocchi1 = cattura_trabocchi();
            ammanchi1 = cattura_ammanchi();
        }
        if (decimi % 10 == 0) {
            if (terminale) stato();
            morta = cattura_viva() ? 0 : morta + 1;
            if (morta >= 2) {
                std::fprintf(stderr, "velmora-live: la cattura si e' interrotta\n");
                esito = 1;
                break;
            }
        }
        if (o.secondi > 0 && decimi >= static_cast<int>(o.secondi * 10)) break;
    }
    const uint64_t trabocchi = cattura_trabocchi(), ammanchi = cattura_ammanchi();
    cattura_ferma();
    std::printf(
        "anello: trabocchi %llu, ammanchi %llu; dopo il primo secondo: trabocchi %llu, "
        "ammanchi %llu\n",
        static_cast<unsigned long long>(trabocchi), static_cast<unsigned long long>(ammanchi),
        static_cast<unsigned long long>(trabocchi - trabocchi1),
        static_cast<unsigned long long>(ammanchi - ammanchi1));
    std::fflush(stdout);
    return esito;
}
