#include "preset_utente.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

#include "macchina.h"
#include "orologio.h"
#include "velmora.h"

namespace velmora {

std::string numeroPreset(double x) {
    char testo[64];
    std::to_chars_result r{};
    if (std::isfinite(x) && x == std::floor(x) && std::abs(x) < 1e9)
        r = std::to_chars(testo, testo + sizeof testo, x, std::chars_format::fixed, 0);
    else
        r = std::to_chars(testo, testo + sizeof testo, x);
    return std::string(testo, r.ptr);
}

std::string componiPreset(const std::vector<std::pair<std::string, double>>& voci) {
    std::vector<std::string> righe;
    righe.reserve(voci.size());
    for (const auto& [chiave, valore] : voci)
        righe.push_back("  \"" + chiave + "\": " + numeroPreset(valore));
    std::sort(righe.begin(), righe.end());
    std::string testo = "{\n";
    for (std::size_t i = 0; i < righe.size(); ++i) {
        if (i > 0) testo += ",\n";
        testo += righe[i];
    }
    testo += "\n}\n";
    return testo;
}

bool scriviAtomico(const QString& percorso, const QByteArray& dati, QString* errore) {
    QSaveFile f(percorso);
    auto fallito = [&](int codice) {
        if (errore != nullptr)
            *errore = f.error() != QFileDevice::NoError || codice == 0 ? f.errorString()
                                                                       : qt_error_string(codice);
        f.cancelWriting();
        return false;
    };
    errno = 0;
    if (!f.open(QIODevice::WriteOnly)) return fallito(errno);
    // QSaveFile alone would commit a file cut short by a write that stopped part-way (a full
    // disk, a size limit) as if it were whole: check that every byte reached the disk before
    // the temporary file replaces the old one.
    if (f.write(dati) != dati.size() || !f.flush()) return fallito(errno);
    if (::fsync(f.handle()) != 0) return fallito(errno);
    if (f.size() != dati.size()) return fallito(errno != 0 ? errno : EIO);
    if (!f.commit()) {
        if (errore != nullptr) *errore = f.errorString();
        return false;
    }
    return true;
}

bool toccato(const Comando& c, double partenza, double adesso) {
    return std::abs(adesso - partenza) > std::max((c.max - c.min) * 0.0005, 0.001);
}

// ---- The model's presets ----

namespace {

const QString kEstensione = QStringLiteral(".json");

}  // namespace

CartellePreset CartellePreset::predefinite() {
    CartellePreset c;
    c.lavoro = QDir::homePath() + QStringLiteral("/BRESKO/VELMORA/STATUS-CORRENTE");
    for (const QString& d : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        c.dati.append(d + QStringLiteral("/velmora/presets"));
    c.risorse = QStringLiteral(":/velmora/presets");
    return c;
}

const std::array<Suono, 3>& Macchina::treSuoni() {
    static const std::array<Suono, 3> suoni{{
        {QStringLiteral("1-morbido"), QStringLiteral("Morbido"), QStringLiteral("Soft"),
         QStringLiteral("tosa poco, resta il respiro"),
         QStringLiteral("light clipping, keeps the air")},
        {QStringLiteral("2-radio"), QStringLiteral("Radio"), QStringLiteral("Radio"),
         QStringLiteral("la taratura di riferimento"), QStringLiteral("the reference tuning")},
        {QStringLiteral("3-forte"), QStringLiteral("Forte"), QStringLiteral("Loud"),
         QStringLiteral("avanti, sempre uguale"), QStringLiteral("forward, never moves")},
    }};
    return suoni;
}

QString Macchina::nomeProposto() const {
    return (nomePreset_.isEmpty() ? QStringLiteral("Velmora") : nomePreset_) + kEstensione;
}

QStringList Macchina::percorsiPredefiniti() const {
    QStringList trovati;
    auto file = [](const QString& cartella, const QString& nome) -> std::optional<QString> {
        if (cartella.isEmpty()) return std::nullopt;
        const QString p = cartella + u'/' + nome + kEstensione;
        const QFileInfo i(p);
        if (i.exists() && i.isFile()) return p;
        return std::nullopt;
    };
    for (const char* nome : {"TERVANE-OSTREL", "VelmoraDL14AGO", "Velmora_TervaneOstrel"})
        if (auto p = file(cartelle_.lavoro, QString::fromLatin1(nome))) trovati.append(*p);
    QStringList altrove = cartelle_.dati;
    altrove.append(cartelle_.risorse);
    for (const QString& cartella : altrove)
        for (const char* nome : {"TERVANE-OSTREL", "Velmora_TervaneOstrel"})
            if (auto p = file(cartella, QString::fromLatin1(nome))) trovati.append(*p);
    return trovati;
}

std::optional<QString> Macchina::percorsoPredefinito() const {
    const QStringList tutti = percorsiPredefiniti();
    if (tutti.isEmpty()) return std::nullopt;
    return tutti.first();
}

// The first candidate that loads wins: a damaged copy in the working folder must not leave the
// user on the bare engine defaults while a good stock preset is installed.
std::optional<QString> Macchina::caricaPrimoPredefinito() {
    for (const QString& p : percorsiPredefiniti())
        if (carica(p)) return p;
    return std::nullopt;
}

bool Macchina::caricaPresetPredefinito() {
    return caricaPrimoPredefinito().has_value();
}

bool Macchina::carica(const QString& percorso) {
    const QFileInfo info(percorso);
    bool ok = false;
    if (percorso.startsWith(u':')) {
        // A built-in copy: the engine reads files, so it gets a private copy of the text.
        QFile risorsa(percorso);
        QTemporaryFile copia;
        if (risorsa.open(QIODevice::ReadOnly) && copia.open()) {
            const QByteArray dati = risorsa.readAll();
            ok = copia.write(dati) == dati.size() && copia.flush() &&
                 velmora_carica_preset(QFile::encodeName(copia.fileName()).constData());
        }
    } else {
        ok = !percorso.isEmpty() && velmora_carica_preset(QFile::encodeName(percorso).constData());
    }
    if (!ok) {
        mettiMessaggio(QStringLiteral("Il preset non si e' caricato: ") + info.fileName());
        return false;
    }
    // The stage switches belong to the listener, not to the preset: put them back in the engine
    // so that what the switches show is what runs.
    for (const auto& [chiave, acceso] : interruttori()) velmora_imposta(chiave, acceso ? 1.0 : 0.0);
    mettiNomePreset(info.completeBaseName());
    avanzaRevisione();
    segnaPartenza();
    return true;
}

void Macchina::caricaDalPacchetto(const QString& nome) {
    const QString p = cartelle_.risorse + u'/' + nome + kEstensione;
    if (cartelle_.risorse.isEmpty() || !QFileInfo(p).isFile()) return;
    carica(p);
    mettiNomePreset(nome);
}

void Macchina::tornaAllaPartenza() {
    if (percorsiPredefiniti().isEmpty()) {
        mettiMessaggio(
            QStringLiteral("Non trovo il preset di partenza: restano i valori di adesso."));
        return;
    }
    if (!caricaPrimoPredefinito()) return;
    const QString avviso = italiano_ ? QStringLiteral("Rimesso il preset di partenza.")
                                     : QStringLiteral("Back to the stock preset.");
    mettiAllarme(avviso);
    tempo_->dopo(5.0, this, [this, avviso] {
        if (allarme_ == avviso) mettiAllarme(QString());
    });
}

std::array<std::pair<const char*, bool>, 6> Macchina::interruttori() const {
    return {{{"e_on", accEq_},
             {"a_on", accAgc_},
             {"m_on", accMb_},
             {"m_com", accCom_},
             {"m_ban", accBan_},
             {"x_on", accMax_}}};
}

std::string Macchina::testoPreset() const {
    std::vector<std::pair<std::string, double>> voci;
    voci.reserve(COMANDI.size() + 7);
    for (const Comando& c : COMANDI) voci.emplace_back(c.id, velmora_leggi(c.id.c_str(), c.def));
    for (const auto& [chiave, acceso] : interruttori())
        voci.emplace_back(chiave, acceso ? 1.0 : 0.0);
    voci.emplace_back("o_schiaccia", velmora_leggi("o_schiaccia", 0));
    // Keys the engine reads that have no control: kept when a loaded preset set them, so saving
    // and loading again does not change the sound.
    for (const char* chiave : {"a_down", "a_frenoms", "m_out", "x_bsrel"})
        if (velmora_ha(chiave)) voci.emplace_back(chiave, velmora_leggi(chiave, 0));
    return componiPreset(voci);
}

bool Macchina::salvaPreset(const QString& percorso) {
    if (percorso.isEmpty()) return false;
    if (!velmora_vivo()) {
        mettiMessaggio(kMotoreGiu);
        return false;
    }
    QString errore;
    if (!scriviAtomico(percorso, QByteArray::fromStdString(testoPreset()), &errore)) {
        mettiMessaggio(QStringLiteral("Non sono riuscito a salvare: ") + errore);
        return false;
    }
    mettiNomePreset(QFileInfo(percorso).completeBaseName());
    mettiMessaggio(QString());
    return true;
}

void Macchina::segnaPartenza() {
    std::map<std::string, double, std::less<>> nuova;
    for (const Comando& c : COMANDI) nuova[c.id] = valore(c.id);
    partenza_ = std::move(nuova);
    emit partenzaCambiata();
    avanzaRevisioneTocchi();
}

std::vector<Toccato> Macchina::toccati() const {
    std::vector<Toccato> elenco;
    for (const Comando& c : COMANDI) {
        const auto it = partenza_.find(c.id);
        if (it == partenza_.end()) continue;
        const double adesso = velmora_leggi(c.id.c_str(), c.def);
        if (toccato(c, it->second, adesso)) elenco.push_back({&c, it->second, adesso});
    }
    return elenco;
}

void Macchina::rimetti(std::string_view chiave) {
    const auto it = partenza_.find(chiave);
    if (it == partenza_.end()) return;
    velmora_imposta(it->first.c_str(), it->second);
    avanzaRevisione();
    avanzaRevisioneTocchi();
}

void Macchina::rimettiTutto() {
    for (const Toccato& t : toccati()) {
        velmora_imposta(t.comando->id.c_str(), t.partenza);
        avanzaRevisione();
    }
    avanzaRevisioneTocchi();
}

}  // namespace velmora
