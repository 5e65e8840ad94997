#include "resa.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "catena.h"
#include "chiavi.h"
#include "misura.h"
#include "rapporto.h"
#include "suoni.h"
#include "velmora.h"

namespace fs = std::filesystem;
using Orologio = std::chrono::steady_clock;

namespace resa {

std::atomic<bool> interruzione{false};

namespace {

double secondiDa(Orologio::time_point t0) {
    return std::chrono::duration<double>(Orologio::now() - t0).count();
}

// Processor time of the calling thread, s: unlike the wall clock, it does not count the time
// other programs take the processor away.
double tempoCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string minuscolo(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string nomeFormato(int formato) {
    SF_FORMAT_INFO info{};
    info.format = formato & SF_FORMAT_TYPEMASK;
    std::string t = sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name
                        ? info.name
                        : "?";
    info.format = formato & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        t += std::string(", ") + info.name;
    return t;
}

bool formatoIntero(int formato) {
    switch (formato & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_III:
            return false;
        default:
            return true;
    }
}

// A file written under a temporary name beside its destination and renamed over it only when
// complete. Until then, destruction removes it.
class FileTemporaneo {
  public:
    explicit FileTemporaneo(const fs::path& destinazione) : destinazione_(destinazione) {
        const fs::path cartella =
            destinazione.has_parent_path() ? destinazione.parent_path() : fs::path(".");
        std::string modello =
            (cartella / ("." + destinazione.filename().string() + ".XXXXXX")).string();
        fd_ = mkstemp(modello.data());
        if (fd_ < 0)
            throw Errore("cannot write " + destinazione.string() + ": " + std::strerror(errno));
        percorso_ = modello;
        const mode_t maschera = umask(0);
        umask(maschera);
        fchmod(fd_, static_cast<mode_t>(0666 & ~maschera));
    }
    ~FileTemporaneo() {
        if (fd_ >= 0) close(fd_);
        if (!percorso_.empty()) unlink(percorso_.c_str());
    }
    FileTemporaneo(const FileTemporaneo&) = delete;
    FileTemporaneo& operator=(const FileTemporaneo&) = delete;

    // Hands the descriptor over (to libsndfile, which closes it).
    int cedi() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void scrivi(const std::string& testo) {
        std::size_t fatto = 0;
        while (fatto < testo.size()) {
            const ssize_t n = write(fd_, testo.data() + fatto, testo.size() - fatto);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                throw std::runtime_error("cannot write " + destinazione_.string() + ": " +
                                         std::strerror(errno));
            fatto += static_cast<std::size_t>(n);
        }
    }
    void conferma() {
        if (fd_ >= 0 && close(fd_) != 0) {
            fd_ = -1;
            throw std::runtime_error("cannot write " + destinazione_.string() + ": " +
                                     std::strerror(errno));
        }
        fd_ = -1;
        if (rename(percorso_.c_str(), destinazione_.c_str()) != 0)
            throw std::runtime_error("cannot write " + destinazione_.string() + ": " +
                                     std::strerror(errno));
        percorso_.clear();
    }

  private:
    fs::path destinazione_;
    std::string percorso_;
    int fd_ = -1;
};

struct ChiudiSnd {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using Snd = std::unique_ptr<SNDFILE, ChiudiSnd>;

Snd apriIngresso(const std::string& percorso, SF_INFO& info) {
    std::error_code ec;
    if (fs::is_directory(percorso, ec)) throw Errore("cannot read " + percorso + ": a folder");
    info = SF_INFO{};
    Snd f(sf_open(percorso.c_str(), SFM_READ, &info));
    if (!f) throw Errore("cannot read " + percorso + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw Errore("cannot read " + percorso + ": no audio channels");
    return f;
}

// Reads up to `voluti` frames, fewer only at the end of the file.
sf_count_t leggiPezzo(SNDFILE* f, int canali, float* dati, sf_count_t voluti,
                      const std::string& nome) {
    sf_count_t letti = 0;
    while (letti < voluti) {
        const sf_count_t r = sf_readf_float(f, dati + letti * canali, voluti - letti);
        if (r <= 0) break;
        letti += r;
    }
    if (sf_error(f) != SF_ERR_NO_ERROR) throw Errore("cannot read " + nome + ": " + sf_strerror(f));
    return letti;
}

}  // namespace

int formatoUscita(const fs::path& uscita) {
    const std::string e = minuscolo(uscita.extension().string());
    if (e.empty() || e == ".wav" || e == ".wave") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    if (e == ".flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    if (e == ".ogg" || e == ".oga") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    if (e == ".opus") return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    if (e == ".aif" || e == ".aiff") return SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
    if (e == ".aifc") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    if (e == ".caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
    if (e == ".w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
    if (e == ".rf64") return SF_FORMAT_RF64 | SF_FORMAT_FLOAT;
    if (e == ".au" || e == ".snd") return SF_FORMAT_AU | SF_FORMAT_FLOAT;
    if (e == ".mp3") return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    throw Errore("cannot write " + uscita.string() + ": no known format for '" + e + "'");
}

namespace {

// One chunk of whole blocks: the input as read, and the two engine channels.
struct Pezzo {
    sf_count_t n = 0;
    std::vector<float> grezzo;  // interleaved as measured: mono, or the processed pair
    std::vector<float> l, r;
};

// Reads chunks of whole blocks and splits them into the two engine channels.
class Lettore {
  public:
    Lettore(SNDFILE* f, int canali, sf_count_t pezzo, const std::string& nome)
        : f_(f), canali_(canali), pezzo_(pezzo), nome_(nome) {
        tutti_.resize(static_cast<std::size_t>(pezzo * canali));
    }

    void prepara(Pezzo& p) const {
        const auto n = static_cast<std::size_t>(pezzo_);
        p.grezzo.resize(n * static_cast<std::size_t>(std::min(canali_, 2)));
        p.l.resize(n);
        p.r.resize(n);
    }

    // Fills p with the next chunk; false at the end of the file.
    bool leggi(Pezzo& p) {
        const bool coppia = canali_ <= 2;
        float* dove = coppia ? p.grezzo.data() : tutti_.data();
        p.n = leggiPezzo(f_, canali_, dove, pezzo_, nome_);
        const auto c = static_cast<std::size_t>(canali_);
        for (std::size_t i = 0; i < static_cast<std::size_t>(p.n); ++i) {
            p.l[i] = dove[i * c];
            p.r[i] = c > 1 ? dove[i * c + 1] : p.l[i];
            if (!coppia) {
                p.grezzo[2 * i] = p.l[i];
                p.grezzo[2 * i + 1] = p.r[i];
            }
        }
        return p.n > 0;
    }

  private:
    SNDFILE* f_;
    int canali_;
    sf_count_t pezzo_;
    std::string nome_;
    std::vector<float> tutti_;
};

// Runs the engine over a chunk, block by block; after every block `dopo(frames)` may read
// the read-outs.
template <typename Dopo>
void elabora(Pezzo& p, int blocco, Dopo&& dopo) {
    for (sf_count_t o = 0; o < p.n; o += blocco) {
        const int m = static_cast<int>(std::min<sf_count_t>(blocco, p.n - o));
        velmora_elabora(p.l.data() + o, p.r.data() + o, m);
        dopo(m);
    }
}

// Reading, and then measuring and writing, run on threads of their own, so that the engine's
// thread only processes. Chunks go round: free, read, processed, written and free again.
class Condotta {
  public:
    // The meters may be null: then nothing is measured.
    Condotta(Lettore& lettore, SNDFILE* f, int canaliOut, bool intero, Misuratore* misuraIn,
             Misuratore* misuraOut, const std::string& nome)
        : lettore_(lettore),
          f_(f),
          canali_(canaliOut),
          intero_(intero),
          misuraIn_(misuraIn),
          misuraOut_(misuraOut),
          nome_(nome) {
        for (auto& p : pezzi_) {
            lettore.prepara(p);
            liberi_.push_back(&p);
        }
        lettura_ = std::thread([this] { custodisci([this] { leggi(); }); });
        scrittura_ = std::thread([this] { custodisci([this] { scrivi(); }); });
    }
    ~Condotta() { ferma(); }
    Condotta(const Condotta&) = delete;
    Condotta& operator=(const Condotta&) = delete;

    // The next chunk read, in file order; null at the end of the file. Rethrows a failure of
    // the other threads.
    Pezzo* prossimo() {
        std::unique_lock blocco(m_);
        cv_.wait(blocco, [&] { return !letti_.empty() || lettoTutto_ || errore_; });
        if (errore_) std::rethrow_exception(errore_);
        if (letti_.empty()) return nullptr;
        Pezzo* p = letti_.front();
        letti_.pop_front();
        return p;
    }
    // A processed chunk, to be measured and written.
    void consegna(Pezzo* p) {
        {
            std::lock_guard blocco(m_);
            elaborati_.push_back(p);
        }
        cv_.notify_all();
    }
    // Waits for every chunk to be written; rethrows a failure.
    void finisci(Esito& e) {
        ferma();
        if (errore_) std::rethrow_exception(errore_);
        e.tosatiDalFormato = tosati_;
        e.tempoLettura = tempoLettura_;
        e.tempoScrittura = tempoScrittura_;
        e.tempoMisura = tempoMisura_;
    }

  private:
    void ferma() {
        {
            std::lock_guard blocco(m_);
            fine_ = true;
        }
        cv_.notify_all();
        if (lettura_.joinable()) lettura_.join();
        if (scrittura_.joinable()) scrittura_.join();
    }

    template <typename Lavoro>
    void custodisci(Lavoro&& lavoro) {
        try {
            lavoro();
        } catch (...) {
            {
                std::lock_guard blocco(m_);
                if (!errore_) errore_ = std::current_exception();
            }
            cv_.notify_all();
        }
    }

    void leggi() {
        for (;;) {
            Pezzo* p = nullptr;
            {
                std::unique_lock blocco(m_);
                cv_.wait(blocco, [&] { return !liberi_.empty() || fine_ || errore_; });
                if (fine_ || errore_) return;
                p = liberi_.back();
                liberi_.pop_back();
            }
            const double t0 = tempoCpu();
            const bool altro = lettore_.leggi(*p);
            tempoLettura_ += tempoCpu() - t0;
            {
                std::lock_guard blocco(m_);
                if (altro)
                    letti_.push_back(p);
                else
                    lettoTutto_ = true;
            }
            cv_.notify_all();
            if (!altro) return;
        }
    }

    void scrivi() {
        for (;;) {
            Pezzo* p = nullptr;
            {
                std::unique_lock blocco(m_);
                cv_.wait(blocco, [&] { return !elaborati_.empty() || fine_ || errore_; });
                if (errore_ || elaborati_.empty()) return;
                p = elaborati_.front();
                elaborati_.pop_front();
            }
            scriviPezzo(*p);
            {
                std::lock_guard blocco(m_);
                liberi_.push_back(p);
            }
            cv_.notify_all();
        }
    }

    void scriviPezzo(const Pezzo& p) {
        const auto n = static_cast<std::size_t>(p.n);
        const double t0 = tempoCpu();
        if (misuraIn_) misuraIn_->aggiungi(p.grezzo.data(), n);
        const double t1 = tempoCpu();
        uscita_.resize(n * static_cast<std::size_t>(canali_));
        if (canali_ == 1) {
            for (std::size_t i = 0; i < n; ++i) uscita_[i] = 0.5f * (p.l[i] + p.r[i]);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                uscita_[2 * i] = p.l[i];
                uscita_[2 * i + 1] = p.r[i];
            }
        }
        if (intero_)
            for (float x : uscita_) tosati_ += std::fabs(x) > 1.0f ? 1 : 0;
        const double t2 = tempoCpu();
        if (misuraOut_) misuraOut_->aggiungi(uscita_.data(), n);
        const double t3 = tempoCpu();
        if (sf_writef_float(f_, uscita_.data(), p.n) != p.n)
            throw std::runtime_error("cannot write " + nome_ + ": " + sf_strerror(f_));
        const double t4 = tempoCpu();
        tempoMisura_ += (t1 - t0) + (t3 - t2);
        tempoScrittura_ += (t2 - t1) + (t4 - t3);
    }

    Lettore& lettore_;
    SNDFILE* f_;
    int canali_;
    bool intero_;
    Misuratore* misuraIn_;
    Misuratore* misuraOut_;
    std::string nome_;
    std::array<Pezzo, 4> pezzi_;
    std::vector<float> uscita_;
    // Each written by one thread only, read after both have been joined.
    std::int64_t tosati_ = 0;
    double tempoLettura_ = 0, tempoScrittura_ = 0, tempoMisura_ = 0;

    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Pezzo*> liberi_;
    std::deque<Pezzo*> letti_, elaborati_;
    bool lettoTutto_ = false, fine_ = false;
    std::exception_ptr errore_;
    std::thread lettura_, scrittura_;
};

void riavvolgi(Snd& f, SF_INFO& info, const std::string& nome) {
    if (sf_seek(f.get(), 0, SEEK_SET) == 0) return;
    f.reset();
    f = apriIngresso(nome, info);
}

}  // namespace

Esito rendi(const Opzioni& o, const Avvisatore& avviso, const Avanzamento& avanza) {
    Esito e;
    auto avvisa = [&](const std::string& t) {
        e.avvisi.push_back(t);
        if (avviso) avviso(t);
    };
    e.ingresso = o.ingresso;
    e.uscita = o.uscita;
    e.blocco = o.blocco;
    e.spento = o.spento;

    // Everything that can be wrong with the input is found before anything is written.
    SF_INFO info{};
    Snd ingresso = apriIngresso(o.ingresso, info);
    e.sr = info.samplerate;
    e.canaliIn = info.channels;
    e.canaliOut = info.channels == 1 ? 1 : 2;
    e.frame = info.frames;
    e.durata = static_cast<double>(info.frames) / info.samplerate;
    e.formatoIn = nomeFormato(info.format);

    if (info.samplerate > velmora::kFrequenzaMassima)
        throw Errore("cannot process " + o.ingresso + ": the engine runs at most at " +
                     std::to_string(static_cast<long>(velmora::kFrequenzaMassima)) + " Hz, not " +
                     std::to_string(info.samplerate));

    const int formato = formatoUscita(o.uscita);
    SF_INFO infoOut{};
    infoOut.samplerate = info.samplerate;
    infoOut.channels = e.canaliOut;
    infoOut.format = formato;
    if (!sf_format_check(&infoOut))
        throw Errore("cannot write " + o.uscita + ": " + nomeFormato(formato) + " cannot hold " +
                     std::to_string(info.samplerate) + " Hz, " + std::to_string(e.canaliOut) +
                     " channel" + (e.canaliOut > 1 ? "s" : ""));
    e.formatoOut = nomeFormato(formato);
    {
        std::error_code ec;
        if (fs::is_directory(o.uscita, ec)) throw Errore("the output " + o.uscita + " is a folder");
        if (fs::exists(o.uscita, ec) && fs::equivalent(o.ingresso, o.uscita, ec))
            throw Errore("the output " + o.uscita + " is the input file");
    }

    fs::path preset;
    if (!o.preset.empty()) preset = o.preset;
    if (!o.suono.empty()) preset = trovaSuono(o.suono, cartellePreset());
    std::vector<std::string> avvisiPreset;
    if (!preset.empty()) avvisiPreset = esaminaPreset(preset);
    e.preset = preset.string();

    FileTemporaneo uscita(o.uscita);
    std::unique_ptr<FileTemporaneo> rapporto;
    if (!o.rapporto.empty()) rapporto = std::make_unique<FileTemporaneo>(o.rapporto);

    if (info.channels > 2)
        avvisa(o.ingresso + " has " + std::to_string(info.channels) +
               " channels: only channels 1 and 2 are processed and written");
    for (const auto& a : avvisiPreset) avvisa(a);

    // A fresh engine at the file's rate with an empty store; settings apply at once.
    velmora_ospite(nullptr, nullptr);
    velmora_distruggi();
    velmora_crea(info.samplerate);
    if (!preset.empty() && !velmora_carica_preset(preset.c_str()))
        throw Errore("the engine refused preset " + preset.string());
    for (const auto& [chiave, valore] : o.impostazioni) {
        if (!chiaveConosciuta(chiave)) avvisa("--set " + chiave + ": unknown key (kept)");
        velmora_imposta(chiave.c_str(), valore);
    }
    velmora_applica_ora();
    e.radio = velmora_leggi("x_radio", 0) > 0.5;

    const sf_count_t pezzo = static_cast<sf_count_t>(o.blocco) * std::max(1, 16384 / o.blocco);
    const double passate = o.spento ? 2 : 1;
    const double totale = std::max<double>(1, static_cast<double>(info.frames) * passate);
    double fatti = 0;
    const auto inizio = Orologio::now();
    auto controlla = [&](sf_count_t n) {
        if (interruzione.load()) throw Interrotto();
        fatti += static_cast<double>(n);
        if (avanza) avanza(std::min(fatti / totale, 1.0), secondiDa(inizio));
    };

    // Bypass compares at matched loudness: the engine learns the match while it processes, so
    // the file is processed once first and then played through the bypass.
    if (o.spento) {
        Lettore lettore(ingresso.get(), info.channels, pezzo, o.ingresso);
        Pezzo p;
        lettore.prepara(p);
        while (lettore.leggi(p)) {
            elabora(p, o.blocco, [](int) {});
            controlla(p.n);
        }
        riavvolgi(ingresso, info, o.ingresso);
        velmora_accendi(false);
    }

    Snd fuori(sf_open_fd(uscita.cedi(), SFM_WRITE, &infoOut, SF_TRUE));
    if (!fuori) throw Errore("cannot write " + o.uscita + ": " + sf_strerror(nullptr));
    const bool intero = formatoIntero(formato);
    if (intero) sf_command(fuori.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The PEAK chunk of float files would double the cost of writing; the report has the peaks.
    sf_command(fuori.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);

    // The loudness is measured only when someone will see it.
    const bool misura = !o.zitto || !o.rapporto.empty();
    const int canaliMisura = std::min(info.channels, 2);
    std::unique_ptr<Misuratore> misuraIn, misuraOut;
    if (misura) {
        misuraIn = std::make_unique<Misuratore>(canaliMisura, info.samplerate);
        misuraOut = std::make_unique<Misuratore>(e.canaliOut, info.samplerate);
        if (!misuraIn->valido() || !misuraOut->valido())
            avvisa("no loudness measurement at this sample rate");
    }

    const auto t0 = Orologio::now();
    {
        Lettore lettore(ingresso.get(), info.channels, pezzo, o.ingresso);
        Condotta condotta(lettore, fuori.get(), e.canaliOut, intero, misuraIn.get(),
                          misuraOut.get(), o.uscita);
        while (Pezzo* p = condotta.prossimo()) {
            const double prima = tempoCpu();
            elabora(*p, o.blocco, [&](int m) {
                if (o.spento) return;
                const double f = m;
                e.agc.aggiungi(velmora_guadagno_agc(), f);
                for (int b = 0; b < 5; ++b)
                    e.bande[static_cast<std::size_t>(b)].aggiungi(velmora_banda(b), f);
                e.finale.aggiungi(velmora_finale(), f);
                e.tosatura.aggiungi(velmora_tosatura(), f);
            });
            e.tempoMotore += tempoCpu() - prima;
            const sf_count_t n = p->n;
            condotta.consegna(p);
            controlla(n);
        }
        condotta.finisci(e);
    }
    const int chiusura = sf_close(fuori.release());
    if (chiusura != 0)
        throw std::runtime_error("cannot write " + o.uscita + ": " + sf_error_number(chiusura));
    e.tempoTotale = secondiDa(t0);

    if (misura) {
        e.livelloIn = misuraIn->livelli();
        e.livelloOut = misuraOut->livelli();
    }
    if (e.tosatiDalFormato > 0)
        avvisa(std::to_string(e.tosatiDalFormato) + " samples beyond full scale were clipped by " +
               e.formatoOut + " (float WAV keeps them)");
    if (rapporto) rapporto->scrivi(jsonRapporto(e));
    uscita.conferma();
    if (rapporto) rapporto->conferma();
    return e;
}

}  // namespace resa
