// The flat C interface over the one process-wide engine.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "catena.h"
#include "preset.h"
#include "velmora.h"

using velmora::Catena;

namespace {

std::unique_ptr<Catena> gCatena;
double gSr = 48000;
velmora_posta gPosta = nullptr;
void* gContesto = nullptr;
std::string gTesto;

void applicaInAttesa(void*) {
    if (!gCatena) return;
    gCatena->inAttesa.store(false);
    gCatena->applica();
}

float leggiBanda(const std::array<std::atomic<float>, 5>& a, int i, float neutro) {
    if (!gCatena || static_cast<unsigned>(i) > 4u) return neutro;
    return a[static_cast<std::size_t>(i)].load();
}

}  // namespace

extern "C" {

void velmora_crea(double frequenza) {
    gSr = frequenza > 0 && frequenza <= velmora::kFrequenzaMassima ? frequenza : 48000;
    velmora::Parametri copia;
    bool acceso = true;
    if (gCatena) {
        copia = gCatena->parametri;
        acceso = gCatena->acceso.load();
    }
    gCatena.reset();
    gCatena = std::make_unique<Catena>(gSr);
    gCatena->parametri = std::move(copia);
    gCatena->acceso.store(acceso);
    gCatena->applica();
    gCatena->adottaSubito();
}

void velmora_distruggi(void) {
    gCatena.reset();
}

bool velmora_vivo(void) {
    return gCatena != nullptr;
}

void velmora_elabora(float* sinistra, float* destra, int n) {
    if (!gCatena || sinistra == nullptr || destra == nullptr) return;
    gCatena->elabora(sinistra, destra, n);
}

void velmora_accendi(bool acceso) {
    if (gCatena) gCatena->acceso.store(acceso);
}

bool velmora_acceso(void) {
    return gCatena && gCatena->acceso.load();
}

float velmora_guadagno_agc(void) {
    return gCatena ? gCatena->metroAgc.load() : 0.0f;
}

float velmora_guadagno_porta(void) {
    if (!gCatena || !gCatena->portaAttiva.load(std::memory_order_relaxed)) return 0.0f;
    const double g = gCatena->guadagnoPorta.load(std::memory_order_relaxed);
    return static_cast<float>(20 * std::log10(std::max(g, 1e-6)));
}

float velmora_guadagno_finestra(void) {
    return gCatena ? static_cast<float>(gCatena->guadagnoFinestra.load(std::memory_order_relaxed))
                   : 0.0f;
}

float velmora_banda(int b) {
    return gCatena ? leggiBanda(gCatena->metroBanda, b, 0.0f) : 0.0f;
}
float velmora_livello(int b) {
    return gCatena ? leggiBanda(gCatena->metroLivello, b, -100.0f) : -100.0f;
}
float velmora_uscita(int b) {
    return gCatena ? leggiBanda(gCatena->metroUscita, b, -100.0f) : -100.0f;
}
float velmora_metro_in(int i) {
    return gCatena ? leggiBanda(gCatena->metroIn, i, -100.0f) : -100.0f;
}
float velmora_metro_out(int i) {
    return gCatena ? leggiBanda(gCatena->metroOut, i, -100.0f) : -100.0f;
}
float velmora_finale(void) {
    return gCatena ? gCatena->metroFinale.load() : 0.0f;
}
float velmora_tosatura(void) {
    return gCatena ? gCatena->metroTosatura.load() : 0.0f;
}

bool velmora_carica_preset(const char* percorso) {
    if (percorso == nullptr || !gCatena) return false;
    std::ifstream f(percorso, std::ios::binary);
    if (!f) return false;
    std::ostringstream contenuto;
    contenuto << f.rdbuf();
    if (f.bad()) return false;
    auto p = velmora::leggiPreset(contenuto.str());
    if (!p) return false;
    gCatena->parametri = std::move(*p);
    gCatena->applica();
    gCatena->inAttesa.store(false);
    return true;
}

void velmora_imposta(const char* chiave, double valore) {
    if (chiave == nullptr || !gCatena || !std::isfinite(valore)) return;
    gCatena->parametri[chiave] = valore;
    // The gate target and speed act from the next block, without waiting for the application.
    const std::string_view k(chiave);
    if (k == "g_pbers" || k == "g_pvel") gCatena->aggiornaPorta();
    if (gPosta == nullptr) {
        gCatena->applica();
        return;
    }
    if (!gCatena->inAttesa.exchange(true)) gPosta(applicaInAttesa, nullptr, 25, gContesto);
}

bool velmora_ha(const char* chiave) {
    return chiave != nullptr && gCatena && gCatena->parametri.count(chiave) > 0;
}

double velmora_leggi(const char* chiave, double riserva) {
    if (chiave == nullptr || !gCatena) return riserva;
    auto it = gCatena->parametri.find(chiave);
    return it == gCatena->parametri.end() ? riserva : it->second;
}

const char* velmora_preset_json(void) {
    gTesto = gCatena ? velmora::scriviPreset(gCatena->parametri) : std::string("{\n\n}\n");
    return gTesto.c_str();
}

void velmora_ospite(velmora_posta posta, void* contesto) {
    gPosta = posta;
    gContesto = contesto;
}

void velmora_applica_ora(void) {
    if (gCatena && gCatena->inAttesa.exchange(false)) gCatena->applica();
}

}  // extern "C"
