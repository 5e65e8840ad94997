// The PipeWire side of the capture layer: one connection on a thread loop, the virtual sink
// "Velmora" (a capture stream of class Audio/Sink), the playback stream aimed at the chosen sink,
// the "default" metadata and the registry's sinks and links.
//
// Main-thread calls take the thread loop's lock; registry, metadata and stream events arrive on
// the loop thread with the lock held. The two process callbacks run on the data thread and touch
// only the stream buffers and the lock-free capture logic.
#include <pipewire/extensions/metadata.h>
#include <pipewire/pipewire.h>
#include <signal.h>
#include <spa/param/audio/format-utils.h>
#include <spa/utils/json.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "logica.h"

namespace cattura {

namespace {

constexpr const char* kNome = "Velmora";
constexpr const char* kChiaveConfigurata = "default.configured.audio.sink";
constexpr const char* kChiaveEffettiva = "default.audio.sink";
constexpr int kAttesaMs = 3000;

struct Nodo {
    uint32_t id = 0;
    std::string nome;         // node.name
    std::string descrizione;  // node.description
    double frequenza = 0;     // audio.rate when the node states one
};

struct Collegamento {
    uint32_t id = 0;
    uint32_t da = 0;  // output node
    uint32_t a = 0;   // input node
};

std::string testo(const spa_dict* props, const char* chiave) {
    const char* v = props != nullptr ? spa_dict_lookup(props, chiave) : nullptr;
    return v != nullptr ? v : "";
}

uint32_t intero(const std::string& s) {
    if (s.empty()) return 0;
    char* fine = nullptr;
    const unsigned long v = std::strtoul(s.c_str(), &fine, 10);
    return fine != s.c_str() ? static_cast<uint32_t>(v) : 0;
}

// The "name" of a metadata value such as { "name": "alsa_output.x" }.
std::string nomeDaJson(const char* valore) {
    if (valore == nullptr) return "";
    spa_json it[2];
    spa_json_init(&it[0], valore, std::strlen(valore));
    if (spa_json_enter_object(&it[0], &it[1]) <= 0) return "";
    char chiave[64];
    while (spa_json_get_string(&it[1], chiave, sizeof(chiave)) > 0) {
        if (std::strcmp(chiave, "name") == 0) {
            char v[1024];
            if (spa_json_get_string(&it[1], v, sizeof(v)) > 0) return v;
            return "";
        }
        const char* salta = nullptr;
        if (spa_json_next(&it[1], &salta) <= 0) break;
    }
    return "";
}

std::string jsonDaNome(const std::string& nome) {
    std::string out = "{ \"name\": \"";
    for (char c : nome) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\" }";
}

// The whole state of the connection. Members are touched with the loop lock held, except the
// atomics.
struct Stato {
    pw_thread_loop* loop = nullptr;
    pw_context* contesto = nullptr;
    pw_core* core = nullptr;
    pw_registry* registro = nullptr;
    spa_hook ascoltoCore{};
    spa_hook ascoltoRegistro{};
    int seqAtteso = 0;
    int seqFatto = -1;
    int errore = 0;      // last error the server reported (negative errno)
    bool rotta = false;  // the connection broke

    std::vector<Nodo> nodi;  // Audio/Sink nodes, in registry order
    std::vector<Collegamento> link;

    pw_metadata* metaDefault = nullptr;
    spa_hook ascoltoMeta{};
    pw_metadata* metaSettings = nullptr;
    spa_hook ascoltoSettings{};
    bool configurataPresente = false;
    std::string configurata;  // node name in the configured default sink
    std::string effettiva;    // node name of the default sink
    double frequenzaGrafo = 0;

    // What a start changed: the configured default before ours, and the default we play to.
    bool predefinitaNostra = false;
    bool configurataPrimaPresente = false;
    std::string configurataPrima;
    std::string effettivaPrima;

    pw_stream* presa = nullptr;
    spa_hook ascoltoPresa{};
    pw_stream_state statoPresa = PW_STREAM_STATE_UNCONNECTED;
    std::atomic<bool> agganciata{false};

    pw_stream* uscita = nullptr;
    spa_hook ascoltoUscita{};
    pw_stream_state statoUscita = PW_STREAM_STATE_UNCONNECTED;
    Nodo bersaglio;

    pw_stream* prova = nullptr;
    spa_hook ascoltoProva{};
    pw_stream_state statoProva = PW_STREAM_STATE_UNCONNECTED;

    spa_source* evento = nullptr;
    std::atomic<int> seqEmergenza{-1};
    std::atomic<bool> salvo{false};
    std::string gruppo;
};

static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

Stato gStato;

// ---- events (loop thread, lock held) ----

void suFatto(void* d, uint32_t id, int seq) {
    auto* s = static_cast<Stato*>(d);
    if (id != PW_ID_CORE) return;
    s->seqFatto = seq;
    if (seq == s->seqEmergenza.load()) s->salvo.store(true);
    pw_thread_loop_signal(s->loop, false);
}

void suErrore(void* d, uint32_t id, int, int res, const char*) {
    auto* s = static_cast<Stato*>(d);
    s->errore = res;
    if (id == PW_ID_CORE && res == -EPIPE) s->rotta = true;
    pw_thread_loop_signal(s->loop, false);
}

int suProprieta(void* d, uint32_t soggetto, const char* chiave, const char*, const char* valore) {
    auto* s = static_cast<Stato*>(d);
    if (soggetto != PW_ID_CORE) return 0;
    if (chiave == nullptr) {  // everything removed
        s->configurataPresente = false;
        s->configurata.clear();
        s->effettiva.clear();
    } else if (std::strcmp(chiave, kChiaveConfigurata) == 0) {
        s->configurataPresente = valore != nullptr;
        s->configurata = nomeDaJson(valore);
    } else if (std::strcmp(chiave, kChiaveEffettiva) == 0) {
        s->effettiva = nomeDaJson(valore);
    }
    pw_thread_loop_signal(s->loop, false);
    return 0;
}

int suImpostazioni(void* d, uint32_t soggetto, const char* chiave, const char*,
                   const char* valore) {
    auto* s = static_cast<Stato*>(d);
    if (soggetto == PW_ID_CORE && chiave != nullptr && valore != nullptr &&
        std::strcmp(chiave, "clock.rate") == 0)
        s->frequenzaGrafo = std::atof(valore);
    return 0;
}

const pw_metadata_events kMeta = {PW_VERSION_METADATA_EVENTS, suProprieta};
const pw_metadata_events kSettings = {PW_VERSION_METADATA_EVENTS, suImpostazioni};

void suGlobale(void* d, uint32_t id, uint32_t, const char* tipo, uint32_t, const spa_dict* props) {
    auto* s = static_cast<Stato*>(d);
    if (std::strcmp(tipo, PW_TYPE_INTERFACE_Node) == 0) {
        if (testo(props, PW_KEY_MEDIA_CLASS) != "Audio/Sink") return;
        Nodo n;
        n.id = id;
        n.nome = testo(props, PW_KEY_NODE_NAME);
        n.descrizione = testo(props, PW_KEY_NODE_DESCRIPTION);
        if (n.descrizione.empty()) n.descrizione = testo(props, PW_KEY_NODE_NICK);
        if (n.descrizione.empty()) n.descrizione = n.nome;
        n.frequenza = std::atof(testo(props, PW_KEY_AUDIO_RATE).c_str());
        s->nodi.push_back(n);
    } else if (std::strcmp(tipo, PW_TYPE_INTERFACE_Link) == 0) {
        s->link.push_back({id, intero(testo(props, PW_KEY_LINK_OUTPUT_NODE)),
                           intero(testo(props, PW_KEY_LINK_INPUT_NODE))});
    } else if (std::strcmp(tipo, PW_TYPE_INTERFACE_Metadata) == 0) {
        const std::string nome = testo(props, PW_KEY_METADATA_NAME);
        if (nome == "default" && s->metaDefault == nullptr) {
            s->metaDefault = static_cast<pw_metadata*>(
                pw_registry_bind(s->registro, id, tipo, PW_VERSION_METADATA, 0));
            if (s->metaDefault != nullptr)
                pw_metadata_add_listener(s->metaDefault, &s->ascoltoMeta, &kMeta, s);
        } else if (nome == "settings" && s->metaSettings == nullptr) {
            s->metaSettings = static_cast<pw_metadata*>(
                pw_registry_bind(s->registro, id, tipo, PW_VERSION_METADATA, 0));
            if (s->metaSettings != nullptr)
                pw_metadata_add_listener(s->metaSettings, &s->ascoltoSettings, &kSettings, s);
        }
    }
}

void suGlobaleVia(void* d, uint32_t id) {
    auto* s = static_cast<Stato*>(d);
    std::erase_if(s->nodi, [id](const Nodo& n) { return n.id == id; });
    std::erase_if(s->link, [id](const Collegamento& l) { return l.id == id; });
    pw_thread_loop_signal(s->loop, false);
}

void suStatoPresa(void* d, pw_stream_state, pw_stream_state stato, const char*) {
    auto* s = static_cast<Stato*>(d);
    s->statoPresa = stato;
    pw_thread_loop_signal(s->loop, false);
}

void suStatoUscita(void* d, pw_stream_state, pw_stream_state stato, const char*) {
    auto* s = static_cast<Stato*>(d);
    s->statoUscita = stato;
    pw_thread_loop_signal(s->loop, false);
}

void suStatoProva(void* d, pw_stream_state, pw_stream_state stato, const char*) {
    auto* s = static_cast<Stato*>(d);
    s->statoProva = stato;
    pw_thread_loop_signal(s->loop, false);
}

// ---- real-time callbacks (data thread) ----

void suLettura(void* d) {
    auto* s = static_cast<Stato*>(d);
    pw_buffer* b = pw_stream_dequeue_buffer(s->presa);
    if (b == nullptr) return;
    spa_buffer* buf = b->buffer;
    if (s->agganciata.load() && buf->n_datas > 0 && buf->datas[0].data != nullptr &&
        buf->datas[0].chunk != nullptr) {
        const spa_data& dati = buf->datas[0];
        const uint32_t inizio = std::min(dati.chunk->offset, dati.maxsize);
        const uint32_t quanti = std::min(dati.chunk->size, dati.maxsize - inizio);
        Buffer x;
        x.dati = static_cast<const float*>(SPA_PTROFF(dati.data, inizio, void));
        x.canali = 2;
        x.byte = quanti;
        letturaTap(&x, 1);
    }
    pw_stream_queue_buffer(s->presa, b);
}

void suResa(void* d) {
    auto* s = static_cast<Stato*>(d);
    pw_buffer* b = pw_stream_dequeue_buffer(s->uscita);
    if (b == nullptr) return;
    spa_buffer* buf = b->buffer;
    if (buf->n_datas > 0 && buf->datas[0].data != nullptr) {
        uint32_t massimo = buf->datas[0].maxsize / 4;
        float* destra = nullptr;
        if (buf->n_datas > 1 && buf->datas[1].data != nullptr) {
            massimo = std::min(massimo, buf->datas[1].maxsize / 4);
            destra = static_cast<float*>(buf->datas[1].data);
        }
        uint32_t n = massimo;
        if (b->requested > 0 && b->requested < n) n = static_cast<uint32_t>(b->requested);
        resaUscita(static_cast<float*>(buf->datas[0].data), destra, static_cast<int>(n));
        for (uint32_t i = 0; i < buf->n_datas && i < 2; ++i) {
            if (buf->datas[i].chunk == nullptr) continue;
            buf->datas[i].chunk->offset = 0;
            buf->datas[i].chunk->stride = 4;
            buf->datas[i].chunk->size = n * 4;
        }
    }
    pw_stream_queue_buffer(s->uscita, b);
}

const pw_core_events kCore = [] {
    pw_core_events e{};
    e.version = PW_VERSION_CORE_EVENTS;
    e.done = suFatto;
    e.error = suErrore;
    return e;
}();

const pw_registry_events kRegistro = [] {
    pw_registry_events e{};
    e.version = PW_VERSION_REGISTRY_EVENTS;
    e.global = suGlobale;
    e.global_remove = suGlobaleVia;
    return e;
}();

pw_stream_events eventiStream(void (*stato)(void*, pw_stream_state, pw_stream_state, const char*),
                              void (*process)(void*)) {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.state_changed = stato;
    e.process = process;
    return e;
}

const pw_stream_events kPresa = eventiStream(suStatoPresa, suLettura);
const pw_stream_events kUscita = eventiStream(suStatoUscita, suResa);
const pw_stream_events kProva = eventiStream(suStatoProva, nullptr);

// ---- helpers (main thread, lock held) ----

// Waits on the loop's condition until fatto() holds, the connection breaks or ms pass.
template <typename F>
bool attendi(Stato& s, F fatto, int ms) {
    timespec limite{};
    pw_thread_loop_get_time(s.loop, &limite, static_cast<int64_t>(ms) * SPA_NSEC_PER_MSEC);
    while (!fatto()) {
        if (s.rotta) return false;
        if (pw_thread_loop_timed_wait_full(s.loop, &limite) != 0) return fatto();
    }
    return true;
}

bool sincronizza(Stato& s) {
    s.seqAtteso = pw_core_sync(s.core, PW_ID_CORE, s.seqAtteso);
    const int atteso = s.seqAtteso;
    return attendi(
        s, [&] { return s.seqFatto == atteso; }, kAttesaMs);
}

const Nodo* nodoPerId(const Stato& s, uint32_t id) {
    for (const Nodo& n : s.nodi)
        if (n.id == id) return &n;
    return nullptr;
}

const Nodo* nodoPerNome(const Stato& s, const std::string& nome) {
    for (const Nodo& n : s.nodi)
        if (n.nome == nome) return &n;
    return nullptr;
}

bool nostro(const Nodo& n) {
    return n.nome.rfind(kNome, 0) == 0;
}

// The sink that is the default apart from ours: the effective default, or the one before ours
// while we are the default, or the first sink that is not ours.
const Nodo* predefinitoReale(const Stato& s) {
    const Nodo* n = nodoPerNome(s, s.predefinitaNostra ? s.effettivaPrima : s.effettiva);
    if (n != nullptr && !nostro(*n)) return n;
    for (const Nodo& m : s.nodi)
        if (!nostro(m)) return &m;
    return nullptr;
}

void chiudiConnessione(Stato& s) {
    if (s.loop == nullptr) return;
    pw_thread_loop_lock(s.loop);
    if (s.presa != nullptr) pw_stream_destroy(s.presa);
    if (s.uscita != nullptr) pw_stream_destroy(s.uscita);
    s.presa = s.uscita = nullptr;
    if (s.metaDefault != nullptr) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(s.metaDefault));
    if (s.metaSettings != nullptr) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(s.metaSettings));
    s.metaDefault = nullptr;
    s.metaSettings = nullptr;
    if (s.registro != nullptr) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(s.registro));
    s.registro = nullptr;
    if (s.core != nullptr) pw_core_disconnect(s.core);
    s.core = nullptr;
    pw_thread_loop_unlock(s.loop);
    pw_thread_loop_stop(s.loop);
    if (s.contesto != nullptr) pw_context_destroy(s.contesto);
    pw_thread_loop_destroy(s.loop);
    s.loop = nullptr;
    s.contesto = nullptr;
    s.evento = nullptr;
    s.nodi.clear();
    s.link.clear();
    s.rotta = false;
    s.predefinitaNostra = false;
}

void suEmergenza(void* d, uint64_t) {
    auto* s = static_cast<Stato*>(d);
    if (s->predefinitaNostra && s->metaDefault != nullptr) {
        pw_metadata_set_property(
            s->metaDefault, PW_ID_CORE, kChiaveConfigurata,
            s->configurataPrimaPresente ? "Spa:String:JSON" : nullptr,
            s->configurataPrimaPresente ? jsonDaNome(s->configurataPrima).c_str() : nullptr);
        s->predefinitaNostra = false;
    }
    if (s->presa != nullptr) pw_stream_set_active(s->presa, false);
    s->seqEmergenza.store(pw_core_sync(s->core, PW_ID_CORE, 0));
}

// Puts back the configured default that was there before ours (or none), and waits for the
// server to take it. Lock held.
void ripristina(Stato& s) {
    if (s.predefinitaNostra && s.metaDefault != nullptr && !s.rotta) {
        if (s.configurataPrimaPresente)
            pw_metadata_set_property(s.metaDefault, PW_ID_CORE, kChiaveConfigurata,
                                     "Spa:String:JSON", jsonDaNome(s.configurataPrima).c_str());
        else
            pw_metadata_set_property(s.metaDefault, PW_ID_CORE, kChiaveConfigurata, nullptr,
                                     nullptr);
        sincronizza(s);
    }
    s.predefinitaNostra = false;
}

// Connects once; a broken connection is replaced. Returns 0 or a negative errno.
int connetti(Stato& s) {
    if (s.loop != nullptr && !s.rotta) return 0;
    if (s.rotta) chiudiConnessione(s);
    pw_init(nullptr, nullptr);
    // Our threads never take the termination signals: those reach the main thread, whose
    // handler hands the teardown to the loop thread.
    sigset_t blocca, prima;
    sigemptyset(&blocca);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&blocca, sig);
    pthread_sigmask(SIG_BLOCK, &blocca, &prima);
    s.loop = pw_thread_loop_new("velmora-pw", nullptr);
    if (s.loop != nullptr)
        s.contesto =
            pw_context_new(pw_thread_loop_get_loop(s.loop),
                           pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    const int avvio = s.contesto != nullptr ? pw_thread_loop_start(s.loop) : -ENOMEM;
    pthread_sigmask(SIG_SETMASK, &prima, nullptr);
    if (s.loop == nullptr) return -ENOMEM;
    if (s.contesto == nullptr || avvio < 0) {
        if (s.contesto != nullptr) pw_context_destroy(s.contesto);
        pw_thread_loop_destroy(s.loop);
        s.loop = nullptr;
        s.contesto = nullptr;
        return avvio < 0 ? avvio : -ENOMEM;
    }
    pw_thread_loop_lock(s.loop);
    s.core = pw_context_connect(
        s.contesto,
        pw_properties_new(PW_KEY_APP_NAME, kNome, PW_KEY_APP_ID, "org.velmora.Velmora", nullptr),
        0);
    if (s.core == nullptr) {
        const int e = errno != 0 ? -errno : -EIO;
        pw_thread_loop_unlock(s.loop);
        chiudiConnessione(s);
        return e;
    }
    pw_core_add_listener(s.core, &s.ascoltoCore, &kCore, &s);
    s.registro = pw_core_get_registry(s.core, PW_VERSION_REGISTRY, 0);
    pw_registry_add_listener(s.registro, &s.ascoltoRegistro, &kRegistro, &s);
    s.evento = pw_loop_add_event(pw_thread_loop_get_loop(s.loop), suEmergenza, &s);
    s.gruppo = "velmora-" + std::to_string(getpid());
    // At exit the connection closes before the module's state is destroyed, so the loop thread
    // never runs over freed memory; a default sink still ours is put back first.
    static bool chiusuraArmata = false;
    if (!chiusuraArmata) {
        chiusuraArmata = true;
        std::atexit([] {
            if (gStato.loop == nullptr) return;
            pw_thread_loop_lock(gStato.loop);
            ripristina(gStato);
            pw_thread_loop_unlock(gStato.loop);
            chiudiConnessione(gStato);
        });
    }
    // Two round trips: the registry's globals, then the metadata values of the bound objects.
    const bool ok = sincronizza(s) && sincronizza(s);
    pw_thread_loop_unlock(s.loop);
    if (!ok) {
        chiudiConnessione(s);
        return -ECONNREFUSED;
    }
    return 0;
}

pw_stream* nuovoSink(Stato& s, const char* nome, spa_hook* ascolto, const pw_stream_events* ev,
                     double frequenza) {
    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_CLASS,
        "Audio/Sink", PW_KEY_NODE_NAME, nome, PW_KEY_NODE_DESCRIPTION, nome, PW_KEY_NODE_VIRTUAL,
        "true", PW_KEY_NODE_ALWAYS_PROCESS, "true", PW_KEY_NODE_GROUP, s.gruppo.c_str(),
        PW_KEY_NODE_LINK_GROUP, s.gruppo.c_str(), "priority.session", "0", "priority.driver", "0",
        nullptr);
    pw_stream* st = pw_stream_new(s.core, nome, props);
    if (st == nullptr) return nullptr;
    pw_stream_add_listener(st, ascolto, ev, &s);
    uint8_t spazio[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(spazio, sizeof(spazio));
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.channels = 2;
    info.rate = static_cast<uint32_t>(frequenza);
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod* params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS | PW_STREAM_FLAG_INACTIVE);
    if (pw_stream_connect(st, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params, 1) < 0) {
        pw_stream_destroy(st);
        return nullptr;
    }
    return st;
}

bool pronto(pw_stream_state st) {
    return st == PW_STREAM_STATE_PAUSED || st == PW_STREAM_STATE_STREAMING;
}

class PipeWire final : public Piattaforma {
  public:
    int creaPresa(double& frequenza) override {
        Stato& s = gStato;
        const int e = connetti(s);
        if (e != 0) return e;
        pw_thread_loop_lock(s.loop);
        frequenza = s.frequenzaGrafo > 0 ? s.frequenzaGrafo : 48000;
        s.errore = 0;
        s.statoPresa = PW_STREAM_STATE_UNCONNECTED;
        s.agganciata.store(false);
        s.presa = nuovoSink(s, kNome, &s.ascoltoPresa, &kPresa, frequenza);
        int r = s.presa == nullptr ? -EIO : 0;
        if (r == 0) {
            const bool ok = attendi(
                s,
                [&] {
                    return pronto(s.statoPresa) || s.statoPresa == PW_STREAM_STATE_ERROR ||
                           s.errore != 0;
                },
                kAttesaMs);
            if (!ok || !pronto(s.statoPresa))
                r = s.errore != 0 ? s.errore : (s.rotta ? -EPIPE : -ETIMEDOUT);
        }
        if (r != 0 && s.presa != nullptr) {
            pw_stream_destroy(s.presa);
            s.presa = nullptr;
        }
        pw_thread_loop_unlock(s.loop);
        return r;
    }

    int rendiPredefinita() override {
        Stato& s = gStato;
        pw_thread_loop_lock(s.loop);
        int r = 0;
        if (s.metaDefault == nullptr) {
            r = -ENOENT;
        } else {
            // A configured default that names us is a leftover of a copy that died: the sound
            // then goes back to the effective default, which the session manager chose.
            s.configurataPrimaPresente = s.configurataPresente && s.configurata != kNome;
            s.configurataPrima = s.configurataPrimaPresente ? s.configurata : "";
            s.effettivaPrima = s.effettiva != kNome ? s.effettiva : "";
            s.predefinitaNostra = true;
            pw_metadata_set_property(s.metaDefault, PW_ID_CORE, kChiaveConfigurata,
                                     "Spa:String:JSON", jsonDaNome(kNome).c_str());
            if (!attendi(
                    s, [&] { return s.effettiva == kNome; }, kAttesaMs))
                r = -ETIMEDOUT;
        }
        pw_thread_loop_unlock(s.loop);
        return r;
    }

    int agganciaLettura() override {
        gStato.agganciata.store(true);
        return 0;
    }

    int apriUscita(uint32_t dispositivo, double& frequenza) override {
        Stato& s = gStato;
        pw_thread_loop_lock(s.loop);
        const Nodo* n = dispositivo == 0 ? predefinitoReale(s) : nodoPerId(s, dispositivo);
        int r = 0;
        if (n == nullptr || nostro(*n)) {
            r = -ENOENT;
        } else {
            s.bersaglio = *n;
            frequenza = n->frequenza > 0 ? n->frequenza : s.frequenzaGrafo;
            pw_properties* props = pw_properties_new(
                PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE,
                "Music", PW_KEY_NODE_NAME, "Velmora uscita", PW_KEY_NODE_DESCRIPTION,
                "Velmora uscita", PW_KEY_TARGET_OBJECT, n->nome.c_str(), PW_KEY_NODE_DONT_RECONNECT,
                "true", PW_KEY_NODE_ALWAYS_PROCESS, "true", PW_KEY_NODE_GROUP, s.gruppo.c_str(),
                PW_KEY_NODE_LINK_GROUP, s.gruppo.c_str(), nullptr);
            s.statoUscita = PW_STREAM_STATE_UNCONNECTED;
            s.uscita = pw_stream_new(s.core, "Velmora uscita", props);
            if (s.uscita == nullptr)
                r = -EIO;
            else
                pw_stream_add_listener(s.uscita, &s.ascoltoUscita, &kUscita, &s);
        }
        pw_thread_loop_unlock(s.loop);
        return r;
    }

    int formatoUscita(double frequenza) override {
        Stato& s = gStato;
        pw_thread_loop_lock(s.loop);
        uint8_t spazio[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(spazio, sizeof(spazio));
        spa_audio_info_raw info{};
        info.format = SPA_AUDIO_FORMAT_F32P;
        info.channels = 2;
        info.rate = static_cast<uint32_t>(frequenza);
        info.position[0] = SPA_AUDIO_CHANNEL_FL;
        info.position[1] = SPA_AUDIO_CHANNEL_FR;
        const spa_pod* params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
        const auto flags =
            static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                         PW_STREAM_FLAG_RT_PROCESS | PW_STREAM_FLAG_INACTIVE);
        s.errore = 0;
        int r = pw_stream_connect(s.uscita, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1);
        if (r == 0 &&
            (!attendi(
                 s, [&] { return pronto(s.statoUscita) || s.statoUscita == PW_STREAM_STATE_ERROR; },
                 kAttesaMs) ||
             !pronto(s.statoUscita)))
            r = -EINVAL;
        pw_thread_loop_unlock(s.loop);
        return r < 0 ? r : 0;
    }

    int avviaLettura() override {
        Stato& s = gStato;
        pw_thread_loop_lock(s.loop);
        const int r = pw_stream_set_active(s.presa, true);
        pw_thread_loop_unlock(s.loop);
        return r < 0 ? r : 0;
    }

    int avviaUscita() override {
        Stato& s = gStato;
        pw_thread_loop_lock(s.loop);
        int r = pw_stream_set_active(s.uscita, true);
        if (r >= 0) sincronizza(s);
        pw_thread_loop_unlock(s.loop);
        return r < 0 ? r : 0;
    }

    void chiudiUscita() override {
        Stato& s = gStato;
        if (s.loop == nullptr) return;
        pw_thread_loop_lock(s.loop);
        if (s.uscita != nullptr) pw_stream_destroy(s.uscita);
        s.uscita = nullptr;
        s.bersaglio = Nodo{};
        pw_thread_loop_unlock(s.loop);
    }

    void sganciaLettura() override {
        Stato& s = gStato;
        s.agganciata.store(false);
        if (s.loop == nullptr) return;
        pw_thread_loop_lock(s.loop);
        if (s.presa != nullptr) pw_stream_set_active(s.presa, false);
        pw_thread_loop_unlock(s.loop);
    }

    void ripristinaPredefinita() override {
        Stato& s = gStato;
        if (s.loop == nullptr) return;
        pw_thread_loop_lock(s.loop);
        ripristina(s);
        pw_thread_loop_unlock(s.loop);
    }

    void distruggiPresa() override {
        Stato& s = gStato;
        if (s.loop == nullptr) return;
        pw_thread_loop_lock(s.loop);
        if (s.presa != nullptr) pw_stream_destroy(s.presa);
        s.presa = nullptr;
        s.statoPresa = PW_STREAM_STATE_UNCONNECTED;
        if (!s.rotta && s.core != nullptr) sincronizza(s);
        pw_thread_loop_unlock(s.loop);
    }

    // Signal handler: no lock can be taken here, so the loop thread is asked to put the default
    // back, and we wait (a bounded while) for the server to confirm. The sink itself goes with
    // the process: the server destroys a dead client's nodes.
    void emergenza() override {
        Stato& s = gStato;
        if (s.loop == nullptr || s.evento == nullptr || pw_thread_loop_in_thread(s.loop)) return;
        s.salvo.store(false);
        s.seqEmergenza.store(-2);
        pw_loop_signal_event(pw_thread_loop_get_loop(s.loop), s.evento);
        timespec passo{0, 10 * 1000 * 1000};
        for (int i = 0; i < 150 && !s.salvo.load(); ++i) nanosleep(&passo, nullptr);
    }

    bool viva() override {
        Stato& s = gStato;
        if (s.loop == nullptr) return false;
        pw_thread_loop_lock(s.loop);
        bool ok = !s.rotta && s.presa != nullptr && s.statoPresa != PW_STREAM_STATE_ERROR &&
                  s.statoPresa != PW_STREAM_STATE_UNCONNECTED;
        if (ok) ok = nodoPerId(s, pw_stream_get_node_id(s.presa)) != nullptr;
        pw_thread_loop_unlock(s.loop);
        return ok;
    }

    bool permesso() override {
        Stato& s = gStato;
        if (connetti(s) != 0) return false;
        pw_thread_loop_lock(s.loop);
        s.errore = 0;
        s.statoProva = PW_STREAM_STATE_UNCONNECTED;
        const double fr = s.frequenzaGrafo > 0 ? s.frequenzaGrafo : 48000;
        s.prova = nuovoSink(s, "Velmora prova", &s.ascoltoProva, &kProva, fr);
        bool ok = false;
        if (s.prova != nullptr) {
            attendi(
                s,
                [&] {
                    return pronto(s.statoProva) || s.statoProva == PW_STREAM_STATE_ERROR ||
                           s.errore != 0;
                },
                kAttesaMs);
            ok = pronto(s.statoProva) && s.errore == 0;
            pw_stream_destroy(s.prova);
            s.prova = nullptr;
            sincronizza(s);
        }
        pw_thread_loop_unlock(s.loop);
        return ok;
    }

    std::vector<Uscita> uscite() override {
        Stato& s = gStato;
        std::vector<Uscita> out;
        if (connetti(s) != 0) return out;
        pw_thread_loop_lock(s.loop);
        sincronizza(s);
        for (const Nodo& n : s.nodi) out.push_back({n.id, n.descrizione});
        pw_thread_loop_unlock(s.loop);
        return out;
    }

    uint32_t predefinita() override {
        Stato& s = gStato;
        if (connetti(s) != 0) return 0;
        pw_thread_loop_lock(s.loop);
        const Nodo* n = nodoPerNome(s, s.predefinitaNostra ? s.effettivaPrima : s.effettiva);
        const uint32_t id = n != nullptr && !nostro(*n) ? n->id : 0;
        pw_thread_loop_unlock(s.loop);
        return id;
    }

    bool uscitaInUso(std::string& nome) override {
        Stato& s = gStato;
        if (s.loop == nullptr || s.uscita == nullptr) return false;
        pw_thread_loop_lock(s.loop);
        const uint32_t mio = pw_stream_get_node_id(s.uscita);
        const Nodo* n = nullptr;
        for (const Collegamento& l : s.link)
            if (l.da == mio && (n = nodoPerId(s, l.a)) != nullptr) break;
        // Not linked yet: the sink we asked for.
        if (n == nullptr) n = nodoPerId(s, s.bersaglio.id);
        if (n != nullptr) nome = n->descrizione;
        pw_thread_loop_unlock(s.loop);
        return n != nullptr;
    }
};

}  // namespace

Piattaforma* piattaformaPipeWire() {
    static PipeWire p;
    return &p;
}

}  // namespace cattura
