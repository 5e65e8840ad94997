// velmora-render: processes an audio file offline through the Velmora engine.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "opzioni.h"
#include "rapporto.h"
#include "resa.h"

namespace {

extern "C" void suSegnale(int) {
    resa::interruzione.store(true);
}

// A one-line bar on standard error, redrawn at most ten times a second.
class Barra {
  public:
    void operator()(double frazione, double secondi) {
        if (secondi - ultimo_ < 0.1 && frazione < 1.0) return;
        ultimo_ = secondi;
        const int pieni = static_cast<int>(frazione * 40);
        std::string b(static_cast<std::size_t>(pieni), '#');
        b.resize(40, '.');
        std::fprintf(stderr, "\r[%s] %3d%%  %s s", b.c_str(), static_cast<int>(frazione * 100),
                     resa::fisso(secondi, 1).c_str());
        std::fflush(stderr);
        disegnata_ = true;
    }
    void cancella() {
        if (disegnata_) std::fprintf(stderr, "\r%*s\r", 60, "");
        disegnata_ = false;
    }

  private:
    double ultimo_ = -1;
    bool disegnata_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> argomenti(argv + (argc > 0 ? 1 : 0), argv + argc);
    resa::Opzioni o;
    try {
        o = resa::leggiOpzioni(argomenti);
    } catch (const resa::Errore& e) {
        std::fprintf(stderr, "velmora-render: %s\n", e.what());
        return 2;
    }
    if (o.azione == resa::Azione::Aiuto) {
        std::fputs(resa::testoAiuto().c_str(), stdout);
        return 0;
    }
    if (o.azione == resa::Azione::Versione) {
        std::printf("velmora-render %s\n", VELMORA_VERSIONE);
        return 0;
    }

    struct sigaction azione {};
    azione.sa_handler = suSegnale;
    sigemptyset(&azione.sa_mask);
    sigaction(SIGINT, &azione, nullptr);
    sigaction(SIGTERM, &azione, nullptr);
    sigaction(SIGHUP, &azione, nullptr);

    Barra barra;
    const bool mostraBarra = !o.zitto && isatty(STDERR_FILENO) == 1;
    auto avviso = [&](const std::string& t) {
        barra.cancella();
        std::fprintf(stderr, "velmora-render: warning: %s\n", t.c_str());
    };
    resa::Avanzamento avanza;
    if (mostraBarra) avanza = [&](double f, double s) { barra(f, s); };
    try {
        const resa::Esito e = resa::rendi(o, avviso, avanza);
        barra.cancella();
        if (!o.zitto) std::fputs(resa::testoRapporto(e).c_str(), stdout);
        return 0;
    } catch (const resa::Errore& e) {
        barra.cancella();
        std::fprintf(stderr, "velmora-render: %s\n", e.what());
        return 2;
    } catch (const resa::Interrotto&) {
        barra.cancella();
        std::fprintf(stderr, "velmora-render: interrupted, nothing written\n");
        return 130;
    } catch (const std::exception& e) {
        barra.cancella();
        std::fprintf(stderr, "velmora-render: %s\n", e.what());
        return 1;
    }
}
