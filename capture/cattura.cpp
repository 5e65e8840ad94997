// The capture layer: state, the two real-time callbacks, start and stop, the safety hooks and the
// status read-outs. The audio server's calls are behind Piattaforma (pipewire.cpp).
#include "cattura.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "logica.h"
#include "presenza.h"
#include "velmora.h"

namespace cattura {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);
static_assert(std::atomic<uint64_t>::is_always_lock_free);
static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<float>::is_always_lock_free);

constexpr int kMaxCanali = 64;

// What exists of a capture (main thread; the signal hooks read them too).
bool gTap = false;        // our sink node
bool gAggregato = false;  // our sink is the default one
bool gProcIn = false;     // the capture callback is hooked
bool gUscita = false;     // the playback stream

std::atomic<bool> gAttiva{false};
std::string gErrore;
double gSr = 48000;
double gSrUscita = 48000;
double gPasso = 1;
double gFraz = 0;

// The ring: allocated once with the program and never cleared.
std::array<float, kAnello> gL{};
std::array<float, kAnello> gR{};
std::atomic<uint32_t> gScrivi{0};
std::atomic<uint32_t> gLeggi{0};

// Working buffers of the capture callback, sized once so the callback never allocates.
std::array<float, kBlocco> gTmpL{};
std::array<float, kBlocco> gTmpR{};

std::atomic<uint64_t> gConta{0};
std::atomic<int32_t> gCanale{0};
std::atomic<int32_t> gQuantiCanali{0};
std::atomic<float> gPiuForte{-100.0f};
std::atomic<bool> gTono{false};
double gFaseTono = 0;
std::atomic<uint64_t> gTrabocchi{0};
int32_t gAbbondanza = 0;  // render calls in a row that found a call's worth to spare
std::atomic<uint64_t> gAmmanchi{0};

// Persistent values of the capture callback.
struct Scelta {
    std::array<float, kMaxCanali> energia{};
    int32_t conta = 0;
    int32_t coppia = 0;
    int32_t candidato = -1;
    int32_t quanto = 0;
};
Scelta gScelta;

Piattaforma* gPiattaforma = nullptr;
Elaborazione gElabora = velmora_elabora;

std::string gNomi;
std::vector<uint32_t> gIdUscite;
std::string gInUso;

// One sample of channel c at frame i of a buffer list (0 where the list holds nothing).
inline float campione(const Buffer* buffer, int quanti, int c, uint32_t i) {
    const Buffer* b;
    uint32_t indice;
    if (quanti > 1) {
        if (c >= quanti) return 0.0f;
        b = &buffer[c];
        indice = i * std::max<uint32_t>(b->canali, 1u);
    } else {
        b = &buffer[0];
        indice = i * std::max<uint32_t>(b->canali, 1u) + static_cast<uint32_t>(c);
    }
    if (b->dati == nullptr || indice >= b->byte / 4u) return 0.0f;
    return b->dati[indice];
}

void misuraEScegli(const Buffer* buffer, int quanti, uint32_t frames) {
    Scelta& s = gScelta;
    const int canali =
        std::min(quanti > 1 ? quanti : static_cast<int>(buffer[0].canali), kMaxCanali);
    for (int c = 0; c < canali; ++c) {
        double somma = 0;
        for (uint32_t i = 0; i < frames; i += 8) {
            const double x = campione(buffer, quanti, c, i);
            somma += x * x;
        }
        const auto ms = static_cast<float>(somma / static_cast<double>(frames / 8 + 1));
        s.energia[static_cast<std::size_t>(c)] +=
            (ms - s.energia[static_cast<std::size_t>(c)]) * 0.05f;
    }
    if (++s.conta >= 40) {
        s.conta = 0;
        int migliore = 0;
        float somma = -1.0f;
        for (int c = 0; c + 1 < canali; c += 2) {
            const float e =
                s.energia[static_cast<std::size_t>(c)] + s.energia[static_cast<std::size_t>(c + 1)];
            if (e > somma) {
                somma = e;
                migliore = c;
            }
        }
        if (canali < 2) {
            migliore = 0;
            somma = s.energia[0];
        }
        if (migliore == s.coppia) {
            s.candidato = -1;
            s.quanto = 0;
        } else {
            const auto k = static_cast<std::size_t>(s.coppia);
            const float attuale =
                (s.energia[k] + (s.coppia + 1 < canali ? s.energia[k + 1] : s.energia[k])) * 4.0f;
            if (!(somma > 1e-9f) || !(somma > attuale)) {
                s.candidato = -1;
                s.quanto = 0;
            } else if (migliore != s.candidato) {
                s.candidato = migliore;
                s.quanto = 1;
            } else if (s.quanto++ >= 1) {
                s.coppia = migliore;
                s.candidato = -1;
                s.quanto = 0;
            }
        }
    }
    // A pair chosen on a wider input stays valid when the input narrows.
    if (s.coppia >= canali) s.coppia = 0;
    float forte = 0;
    for (int c = 0; c < canali; ++c)
        forte = std::max(forte, s.energia[static_cast<std::size_t>(c)]);
    gCanale.store(s.coppia);
    gQuantiCanali.store(canali);
    gPiuForte.store(canali > 0 && forte > 1e-12f ? 10.0f * std::log10(forte) : -100.0f);
}

// Returns false when frames had to be dropped.
bool scriviAnello(const float* l, const float* r, uint32_t n) {
    const uint32_t w = gScrivi.load();
    const uint32_t attesa = (w - gLeggi.load()) & kMaschera;
    // One slot stays free: a full ring would read as an empty one.
    const uint32_t libero = kMaschera - attesa;
    const uint32_t da = std::min(n, libero);  // the newest frames that do not fit are dropped
    for (uint32_t i = 0; i < da; ++i) {
        gL[(w + i) & kMaschera] = l[i];
        gR[(w + i) & kMaschera] = r[i];
    }
    gScrivi.store((w + da) & kMaschera);
    return da == n;
}

void smonta() {
    Piattaforma& p = piattaforma();
    if (gUscita) {
        p.chiudiUscita();
        gUscita = false;
    }
    if (gProcIn && gTap) {
        p.sganciaLettura();
        gProcIn = false;
    }
    if (gAggregato) {
        p.ripristinaPredefinita();
        gAggregato = false;
    }
    if (gTap) {
        p.distruggiPresa();
        gTap = false;
    }
    gProcIn = false;
}

void allUscita() {
    gAttiva.store(false);
    smonta();
}

void suSegnale(int sig) {
    if (gTap || gAggregato) piattaforma().emergenza();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void armaLeDifese() {
    static bool fatto = false;
    if (fatto) return;
    fatto = true;
    std::atexit(allUscita);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        std::signal(s, suSegnale);
}

const char* testoErrore(int passo, int codice) {
    switch (passo) {
        case 0:
            if (codice == -EPERM || codice == -EACCES)
                return "Manca il permesso di registrare l'audio di sistema. Il server audio "
                       "(PipeWire) rifiuta l'uscita virtuale di Velmora: se l'app gira in una "
                       "sandbox (Flatpak o Snap), concedile l'accesso a PipeWire, poi chiudila e "
                       "riaprila.";
            return nullptr;
        case 1:
            return "La presa c'e' ma non riesco a farla diventare l'uscita predefinita. Di solito "
                   "manca il gestore di sessione (WirePlumber) o e' rimasto appeso: riavvialo "
                   "(systemctl --user restart wireplumber) e riprova. Se insiste, riavvia la "
                   "sessione.";
        case 2:
            return "Non riesco ad agganciarmi alla lettura dell'audio.";
        case 3:
            return "Non riesco ad aprire l'uscita audio.";
        case 4:
            return "L'uscita scelta non accetta questo formato. Provane un'altra.";
        case 5:
            return "La lettura non parte.";
        default:
            return "L'uscita non parte. Prova a sceglierne un'altra.";
    }
}

bool fallisci(int passo, int codice) {
    const char* t = testoErrore(passo, codice);
    gErrore = t != nullptr ? t
                           : "Non riesco a creare la presa sull'audio (errore " +
                                 std::to_string(codice) + ").";
    smonta();
    return false;
}

}  // namespace

void usaPiattaforma(Piattaforma* p) {
    gPiattaforma = p;
}

void usaElaborazione(Elaborazione e) {
    gElabora = e != nullptr ? e : velmora_elabora;
}

Piattaforma& piattaforma() {
    if (gPiattaforma == nullptr) gPiattaforma = piattaformaPipeWire();
    return *gPiattaforma;
}

uint32_t posizioneScrittura() {
    return gScrivi.load();
}
uint32_t posizioneLettura() {
    return gLeggi.load();
}
double frazione() {
    return gFraz;
}
double passo() {
    return gPasso;
}

void letturaTap(const Buffer* buffer, int quanti) {
    gConta.fetch_add(1);
    if (buffer == nullptr || quanti <= 0) return;
    const uint32_t ch = std::max<uint32_t>(buffer[0].canali, 1u);
    const uint32_t n = buffer[0].byte / 4u;
    if (buffer[0].dati == nullptr || ch > n) return;
    const uint32_t frames = n / ch;
    misuraEScegli(buffer, quanti, frames);

    const int canali = gQuantiCanali.load();
    const int coppia = gScelta.coppia;
    const int seconda = coppia + 1 < canali ? coppia + 1 : coppia;
    const bool mono = quanti == 1 && buffer[0].canali < 2;
    bool perso = false;
    for (uint32_t inizio = 0; inizio < frames; inizio += kBlocco) {
        const uint32_t pezzo = std::min<uint32_t>(frames - inizio, kBlocco);
        for (uint32_t i = 0; i < pezzo; ++i) {
            const float l = campione(buffer, quanti, mono ? 0 : coppia, inizio + i);
            gTmpL[i] = l;
            gTmpR[i] = mono ? l : campione(buffer, quanti, seconda, inizio + i);
        }
        gElabora(gTmpL.data(), gTmpR.data(), static_cast<int>(pezzo));
        if (!scriviAnello(gTmpL.data(), gTmpR.data(), pezzo)) perso = true;
    }
    if (perso) gTrabocchi.fetch_add(1);
}

void resaUscita(float* sinistra, float* destra, int quanti) {
    if (quanti <= 0 || sinistra == nullptr) return;
    float* d = destra != nullptr ? destra : sinistra;
    if (gTono.load()) {
        const double passoFase = 2.0 * std::numbers::pi * 1000.0 / gSrUscita;
        for (int i = 0; i < quanti; ++i) {
            const auto v = static_cast<float>(std::sin(gFaseTono) * 0.25);
            sinistra[i] = v;
            d[i] = v;
            gFaseTono += passoFase;
            if (gFaseTono > 2.0 * std::numbers::pi) gFaseTono -= 2.0 * std::numbers::pi;
        }
        // The programme keeps arriving but is not played: let it go, so the ring never fills
        // and the programme comes back current when the tone stops, not a second and a half old.
        gLeggi.store(gScrivi.load());
        return;
    }
    uint32_t r = gLeggi.load();
    const uint32_t w = gScrivi.load();
    double f = gFraz;
    bool corto = false;
    // Latency stays where the graph puts it: when the ring has held at least one whole call's
    // worth beyond what each call needs for kPazienza calls in a row (a hiccup of the graph
    // left frames behind), the oldest of them are skipped once.
    const auto consumo = static_cast<uint32_t>(std::ceil(quanti * gPasso + f));
    if (((w - r) & kMaschera) >= 2 * consumo) {
        if (++gAbbondanza >= kPazienza) {
            r = (w - consumo) & kMaschera;
            gAbbondanza = 0;
        }
    } else {
        gAbbondanza = 0;
    }
    for (int i = 0; i < quanti; ++i) {
        // A step above 2 can leave more than a whole frame owed when the ring ran dry: pay it
        // before interpolating, so f stays below 1 and nothing is extrapolated.
        while (f >= 1.0 && r != w) {
            f -= 1.0;
            r = (r + 1) & kMaschera;
        }
        if (r == w) {
            sinistra[i] = 0.0f;
            d[i] = 0.0f;
            corto = true;
            continue;
        }
        uint32_t q = (r + 1) & kMaschera;
        if (q == w) q = r;
        const double l = gL[r] + (static_cast<double>(gL[q]) - gL[r]) * f;
        const double rr = gR[r] + (static_cast<double>(gR[q]) - gR[r]) * f;
        sinistra[i] = static_cast<float>(l);
        if (destra != nullptr) destra[i] = static_cast<float>(rr);
        f += gPasso;
        while (f >= 1.0 && r != w) {
            f -= 1.0;
            r = (r + 1) & kMaschera;
        }
    }
    if (corto && gAttiva.load()) gAmmanchi.fetch_add(1);
    gFraz = f;
    gLeggi.store(r);
}

}  // namespace cattura

using namespace cattura;

extern "C" {

bool cattura_avvia(uint32_t dispositivo) {
    if (gAttiva.load()) return true;
    gErrore.clear();
    segnaPresenza(cartellaPresenze());
    armaLeDifese();
    Piattaforma& p = piattaforma();

    double sr = 0;
    int e = p.creaPresa(sr);
    if (e != 0) return fallisci(0, e);
    gTap = true;
    e = p.rendiPredefinita();
    if (e != 0) return fallisci(1, e);
    gAggregato = true;

    gSr = sr > 0 ? sr : 48000;
    velmora_crea(gSr);

    if (p.agganciaLettura() != 0) return fallisci(2, 0);
    gProcIn = true;
    double srUscita = 0;
    if (p.apriUscita(dispositivo, srUscita) != 0) return fallisci(3, 0);
    gUscita = true;
    gSrUscita = srUscita > 0 ? srUscita : gSr;
    gPasso = gSr / gSrUscita;
    gFraz = 0;
    gAbbondanza = 0;
    if (p.formatoUscita(gSrUscita) != 0) return fallisci(4, 0);
    gTrabocchi.store(0);
    gAmmanchi.store(0);
    if (p.avviaLettura() != 0) return fallisci(5, 0);
    gAttiva.store(true);
    if (p.avviaUscita() != 0) {
        gAttiva.store(false);
        return fallisci(6, 0);
    }
    return true;
}

void cattura_ferma(void) {
    if (!gAttiva.load()) return;
    gAttiva.store(false);
    smonta();
}

bool cattura_attiva(void) {
    return gAttiva.load();
}
const char* cattura_errore(void) {
    return gErrore.c_str();
}
uint64_t cattura_conteggio(void) {
    return gConta.load();
}
bool cattura_viva(void) {
    return gTap && piattaforma().viva();
}
int32_t cattura_canale(void) {
    return gCanale.load();
}
int32_t cattura_quanti_canali(void) {
    return gQuantiCanali.load();
}
float cattura_piu_forte(void) {
    return gPiuForte.load();
}
double cattura_frequenza(void) {
    return gSr;
}
double cattura_frequenza_uscita(void) {
    return gSrUscita;
}
uint32_t cattura_anello(void) {
    return (gScrivi.load() - gLeggi.load()) & kMaschera;
}
uint64_t cattura_trabocchi(void) {
    return gTrabocchi.load();
}
uint64_t cattura_ammanchi(void) {
    return gAmmanchi.load();
}
void cattura_tono(bool acceso) {
    gTono.store(acceso);
}

bool cattura_altro_attivo(void) {
    const std::string cartella = cartellaPresenze();
    segnaPresenza(cartella);
    return altraPresenza(cartella);
}

bool cattura_permesso(void) {
    return piattaforma().permesso();
}

const char* cattura_elenco_uscite(void) {
    gNomi.clear();
    gIdUscite.clear();
    for (const Uscita& u : piattaforma().uscite()) {
        if (u.nome.rfind("Velmora", 0) == 0) continue;
        if (!gNomi.empty()) gNomi += "\n";
        gNomi += u.nome;
        gIdUscite.push_back(u.id);
    }
    return gNomi.c_str();
}

uint32_t cattura_id_uscita(int indice) {
    if (indice < 0 || static_cast<std::size_t>(indice) >= gIdUscite.size()) return 0;
    return gIdUscite[static_cast<std::size_t>(indice)];
}

int32_t cattura_uscita_predefinita(void) {
    if (gIdUscite.empty()) return -1;
    const uint32_t id = piattaforma().predefinita();
    if (id == 0) return -1;
    const auto it = std::find(gIdUscite.begin(), gIdUscite.end(), id);
    return it == gIdUscite.end() ? -1 : static_cast<int32_t>(it - gIdUscite.begin());
}

const char* cattura_uscita_in_uso(void) {
    gInUso.clear();
    if (!gUscita) {
        gInUso = "(niente)";
    } else if (!piattaforma().uscitaInUso(gInUso)) {
        gInUso = "(non lo so)";
    } else if (gInUso.empty()) {
        gInUso = "(senza nome)";
    }
    return gInUso.c_str();
}
}
