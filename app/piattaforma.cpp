#include "piattaforma.h"

#include <pipewire/pipewire.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <charconv>

#include "cattura.h"
#include "velmora.h"

namespace velmora {

bool almeno(std::string_view versione, int maggiore, int minore, int micro) {
    int parti[3] = {0, 0, 0};
    const char* p = versione.data();
    const char* fine = p + versione.size();
    for (int i = 0; i < 3 && p < fine; ++i) {
        auto [dopo, errore] = std::from_chars(p, fine, parti[i]);
        if (errore != std::errc{}) {
            if (i == 0) return false;
            break;
        }
        p = dopo;
        if (p < fine && *p == '.')
            ++p;
        else
            break;
    }
    const int voluto[3] = {maggiore, minore, micro};
    for (int i = 0; i < 3; ++i)
        if (parti[i] != voluto[i]) return parti[i] > voluto[i];
    return true;
}

bool PiattaformaVera::avvia(uint32_t dispositivo) {
    return cattura_avvia(dispositivo);
}
void PiattaformaVera::ferma() {
    cattura_ferma();
}
std::string PiattaformaVera::errore() {
    const char* e = cattura_errore();
    return e != nullptr ? std::string(e) : std::string();
}
uint64_t PiattaformaVera::conteggio() {
    return cattura_conteggio();
}
bool PiattaformaVera::viva() {
    return cattura_viva();
}
int PiattaformaVera::canale() {
    return cattura_canale();
}
int PiattaformaVera::quantiCanali() {
    return cattura_quanti_canali();
}
float PiattaformaVera::piuForte() {
    return cattura_piu_forte();
}
bool PiattaformaVera::altroAttivo() {
    return cattura_altro_attivo();
}
bool PiattaformaVera::permesso() {
    return cattura_permesso();
}
std::optional<std::string> PiattaformaVera::elencoUscite() {
    const char* e = cattura_elenco_uscite();
    if (e == nullptr) return std::nullopt;
    return std::string(e);
}
uint32_t PiattaformaVera::idUscita(int indice) {
    return cattura_id_uscita(indice);
}
int PiattaformaVera::uscitaPredefinita() {
    return cattura_uscita_predefinita();
}

Letture PiattaformaVera::letture() {
    Letture l;
    l.agc = velmora_guadagno_agc();
    for (int i = 0; i < 5; ++i) {
        const auto u = static_cast<std::size_t>(i);
        l.bande[u] = velmora_banda(i);
        l.livelli[u] = velmora_livello(i);
        l.uscite5[u] = velmora_uscita(i);
        l.metroIn[u] = velmora_metro_in(i);
        l.metroOut[u] = velmora_metro_out(i);
    }
    l.finale = velmora_finale();
    l.tosatura = velmora_tosatura();
    return l;
}

namespace {

// A short private connection that asks the server for its version.
struct Sonda {
    pw_main_loop* ciclo = nullptr;
    std::string versione;
    int seq = -1;
};

void suInfo(void* d, const pw_core_info* info) {
    auto* s = static_cast<Sonda*>(d);
    if (info != nullptr && info->version != nullptr) s->versione = info->version;
}

void suFatto(void* d, uint32_t id, int seq) {
    auto* s = static_cast<Sonda*>(d);
    if (id == PW_ID_CORE && seq == s->seq) pw_main_loop_quit(s->ciclo);
}

void suErrore(void* d, uint32_t id, int, int, const char*) {
    auto* s = static_cast<Sonda*>(d);
    if (id == PW_ID_CORE) pw_main_loop_quit(s->ciclo);
}

void suScadenza(void* d, uint64_t) {
    pw_main_loop_quit(static_cast<Sonda*>(d)->ciclo);
}

std::string versioneServer() {
    Sonda s;
    s.ciclo = pw_main_loop_new(nullptr);
    if (s.ciclo == nullptr) return {};
    pw_loop* ciclo = pw_main_loop_get_loop(s.ciclo);
    pw_context* contesto = pw_context_new(ciclo, nullptr, 0);
    pw_core* core = contesto != nullptr ? pw_context_connect(contesto, nullptr, 0) : nullptr;
    if (core != nullptr) {
        pw_core_events eventi{};
        eventi.version = PW_VERSION_CORE_EVENTS;
        eventi.info = suInfo;
        eventi.done = suFatto;
        eventi.error = suErrore;
        spa_hook ascolto{};
        pw_core_add_listener(core, &ascolto, &eventi, &s);
        spa_source* scadenza = pw_loop_add_timer(ciclo, suScadenza, &s);
        timespec due{2, 0};
        pw_loop_update_timer(ciclo, scadenza, &due, nullptr, false);
        s.seq = pw_core_sync(core, PW_ID_CORE, 0);
        pw_main_loop_run(s.ciclo);
        pw_loop_destroy_source(ciclo, scadenza);
        spa_hook_remove(&ascolto);
        pw_core_disconnect(core);
    }
    if (contesto != nullptr) pw_context_destroy(contesto);
    pw_main_loop_destroy(s.ciclo);
    return s.versione;
}

// The command line of a desktop entry, with its field codes removed.
QStringList comandoDesktop(const QString& percorso) {
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    bool nelGruppo = false;
    while (!f.atEnd()) {
        const QString riga = QString::fromUtf8(f.readLine()).trimmed();
        if (riga.startsWith(u'[')) {
            nelGruppo = riga == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!nelGruppo || !riga.startsWith(QLatin1String("Exec="))) continue;
        QStringList parti = QProcess::splitCommand(riga.mid(5));
        parti.removeIf([](const QString& p) { return p.size() == 2 && p.startsWith(u'%'); });
        for (QString& p : parti) p.replace(QLatin1String("%%"), QLatin1String("%"));
        return parti;
    }
    return {};
}

}  // namespace

VersioneAudio PiattaformaVera::versioneAudio() {
    pw_init(nullptr, nullptr);
    VersioneAudio v;
    const char* lib = pw_get_library_version();
    v.libreria = lib != nullptr ? lib : "";
    v.server = versioneServer();
    return v;
}

std::optional<std::string> PiattaformaVera::impostazioniAudio() {
    // The sound settings of the common desktops, then the stand-alone mixers.
    static const char* const kVoci[] = {
        "gnome-sound-panel.desktop",
        "kcm_pulseaudio.desktop",
        "org.kde.plasma.volume.desktop",
        "xfce-mixer-settings.desktop",
        "com.saivert.pwvucontrol.desktop",
        "org.pulseaudio.pavucontrol.desktop",
        "pavucontrol.desktop",
        "pavucontrol-qt.desktop",
    };
    for (const char* voce : kVoci) {
        const QString p =
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QString::fromLatin1(voce));
        if (!p.isEmpty() && !comandoDesktop(p).isEmpty())
            return QUrl::fromLocalFile(p).toString().toStdString();
    }
    return std::nullopt;
}

bool PiattaformaVera::apri(const std::string& indirizzo) {
    const QUrl url(QString::fromStdString(indirizzo), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) return false;
    if (url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".desktop"))) {
        QStringList parti = comandoDesktop(url.toLocalFile());
        if (parti.isEmpty()) return false;
        const QString programma = parti.takeFirst();
        return QProcess::startDetached(programma, parti);
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

}  // namespace velmora
