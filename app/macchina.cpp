#include "macchina.h"

#include <QSettings>
#include <algorithm>
#include <cmath>
#include <limits>

#include "orologio.h"
#include "piattaforma.h"
#include "velmora.h"

namespace velmora {

const QString Macchina::kAltroAperto = QStringLiteral(
    "C'e' gia' un altro Velmora aperto. Chiudilo prima: due sulla stessa uscita si sentono a "
    "vicenda e distorcono tutto.");
const QString Macchina::kNonCattura = QStringLiteral("Non riesco a catturare l'audio.");
const QString Macchina::kPresaSparita = QStringLiteral(
    "La presa sull'audio di sistema e' sparita, quindi ho rimesso tutto com'era: adesso senti "
    "normalmente. Riprova con ACCENDI.");
const QString Macchina::kSilenzio = QStringLiteral(
    "Da piu' di un minuto non arriva audio di sistema e ho rimesso tutto com'era. Se stavi solo "
    "ascoltando in pausa non e' un guasto: riparti con ACCENDI.");
const QString Macchina::kMotoreGiu = QStringLiteral(
    "Non salvo: il motore non e' in piedi e uscirebbe un file di valori di fabbrica al posto "
    "della tua taratura. Riapri l'app e riprova.");

namespace {

std::string chiaveC(std::string_view chiave) {
    return std::string(chiave);
}

// The oldest PipeWire that has everything the capture layer asks of it (target.object above all).
constexpr int kPwMaggiore = 0, kPwMinore = 3, kPwMicro = 64;
const QString kPwMinimo = QStringLiteral("0.3.64");

}  // namespace

Macchina::Macchina(Ambiente ambiente, QObject* genitore) : QObject(genitore) {
    if (ambiente.piattaforma == nullptr) {
        piattaformaPropria_ = std::make_unique<PiattaformaVera>();
        ambiente.piattaforma = piattaformaPropria_.get();
    }
    if (ambiente.orologio == nullptr) {
        orologioProprio_ = std::make_unique<OrologioVero>();
        ambiente.orologio = orologioProprio_.get();
    }
    if (ambiente.impostazioni == nullptr) {
        impostazioniProprie_ = std::make_unique<QSettings>();
        ambiente.impostazioni = impostazioniProprie_.get();
    }
    piattaforma_ = ambiente.piattaforma;
    tempo_ = ambiente.orologio;
    impostazioni_ = ambiente.impostazioni;
    cartelle_ = ambiente.cartelle ? *ambiente.cartelle : CartellePreset::predefinite();

    misure_ = new Misure(this);
    ultimoPre_ = tempo_->adesso();
    controlla();
    velmora_crea(48000.0);
    velmora_ospite(&Macchina::posta, this);
    caricaPresetPredefinito();
}

Macchina::~Macchina() {
    orologio_.reset();
    if (accesa_) piattaforma_->ferma();
    // A deferred application still waiting would never run once the hook is gone.
    velmora_applica_ora();
    velmora_ospite(nullptr, nullptr);
}

void Macchina::posta(void (*compito)(void*), void* dati, int ritardoMs, void* contesto) {
    auto* m = static_cast<Macchina*>(contesto);
    m->tempo_->dopo(ritardoMs / 1000.0, m, [compito, dati] { compito(dati); });
}

// ---- Properties ----

void Macchina::mettiAccesa(bool si) {
    if (accesa_ == si) return;
    accesa_ = si;
    emit accesaCambiata(si);
}

void Macchina::mettiUscitaScelta(int indice) {
    if (uscitaScelta_ == indice) return;
    uscitaScelta_ = indice;
    emit uscitaSceltaCambiata(indice);
}

void Macchina::mettiMessaggio(const QString& testo) {
    if (messaggio_ == testo) return;
    messaggio_ = testo;
    emit messaggioCambiato(testo);
}

void Macchina::mettiNomePreset(const QString& nome) {
    if (nomePreset_ == nome) return;
    nomePreset_ = nome;
    emit nomePresetCambiato(nome);
}

void Macchina::mettiPreAuto(bool si) {
    if (preAuto_ == si) return;
    preAuto_ = si;
    emit preAutoCambiato(si);
}

void Macchina::mettiItaliano(bool si) {
    if (italiano_ == si) return;
    italiano_ = si;
    emit italianoCambiato(si);
}

void Macchina::mettiSuggerimento(const QString& testo) {
    if (suggerimento_ == testo) return;
    suggerimento_ = testo;
    emit suggerimentoCambiato(testo);
}

#define VELMORA_INTERRUTTORE(Nome, campo, chiave) \
    void Macchina::mettiAcc##Nome(bool si) {      \
        const bool cambia = campo != si;          \
        campo = si;                               \
        velmora_imposta(chiave, si ? 1.0 : 0.0);  \
        if (cambia) emit acc##Nome##Cambiato(si); \
    }
VELMORA_INTERRUTTORE(Eq, accEq_, "e_on")
VELMORA_INTERRUTTORE(Agc, accAgc_, "a_on")
VELMORA_INTERRUTTORE(Mb, accMb_, "m_on")
VELMORA_INTERRUTTORE(Com, accCom_, "m_com")
VELMORA_INTERRUTTORE(Ban, accBan_, "m_ban")
VELMORA_INTERRUTTORE(Max, accMax_, "x_on")
#undef VELMORA_INTERRUTTORE

void Macchina::mettiLavora(bool si) {
    const bool cambia = lavora_ != si;
    lavora_ = si;
    velmora_accendi(si);
    if (cambia) emit lavoraCambiata(si);
}

void Macchina::mettiAllarme(const QString& testo) {
    if (allarme_ == testo) return;
    allarme_ = testo;
    emit allarmeCambiato(testo);
}

void Macchina::avanzaRevisione() {
    emit revisioneCambiata(++revisione_);
}
void Macchina::avanzaRevisioneTocchi() {
    emit revisioneTocchiCambiata(++revisioneTocchi_);
}

// ---- Checks and devices ----

void Macchina::controlla() {
    QList<Passo> passi;

    const VersioneAudio v = piattaforma_->versioneAudio();
    const QString lib = QString::fromStdString(v.libreria);
    const QString srv = QString::fromStdString(v.server);
    const bool osOk = almeno(v.libreria, kPwMaggiore, kPwMinore, kPwMicro) && !v.server.empty() &&
                      almeno(v.server, kPwMaggiore, kPwMinore, kPwMicro);
    Passo os{QStringLiteral("os"),
             QStringLiteral("PipeWire ") + kPwMinimo + QStringLiteral(" o piu' recente"),
             osOk,
             {},
             std::nullopt};
    if (v.server.empty())
        os.rimedio = QStringLiteral("Non trovo il server audio PipeWire (la libreria e' alla ") +
                     lib +
                     QStringLiteral(
                         "). La presa sull'audio di sistema passa da li': avvialo "
                         "(systemctl --user start pipewire wireplumber), poi premi "
                         "Ricontrolla.");
    else
        os.rimedio = QStringLiteral("Questo sistema ha PipeWire ") + srv +
                     QStringLiteral(" (libreria ") + lib + QStringLiteral("). ") +
                     QStringLiteral("La presa sull'audio di sistema esiste dalla ") + kPwMinimo +
                     QStringLiteral(" in poi: senza aggiornare, l'app non puo' funzionare.");
    passi.append(os);

    leggiUscite();
    passi.append({QStringLiteral("uscite"), QStringLiteral("c'e' un'uscita audio"),
                  !uscite_.isEmpty(),
                  QStringLiteral("Non vedo nessuna scheda d'uscita. Collega le cuffie o "
                                 "l'interfaccia, poi premi Ricontrolla."),
                  std::nullopt});

    passi.append({QStringLiteral("solo"), QStringLiteral("nessun altro Velmora aperto"),
                  !piattaforma_->altroAttivo(),
                  QStringLiteral("C'e' gia' un altro Velmora in funzione. Due sulla stessa uscita "
                                 "si sentono a vicenda e distorcono: chiudine uno."),
                  std::nullopt});

    Passo permesso{QStringLiteral("permesso"),
                   QStringLiteral("permesso di ascoltare l'audio di sistema"),
                   osOk && piattaforma_->permesso(),
                   QStringLiteral("Senza questo permesso l'app non sente niente. Il server audio "
                                  "deve accettare l'uscita virtuale di Velmora: se l'app gira in "
                                  "una sandbox (Flatpak o Snap), concedile l'accesso a PipeWire; "
                                  "controlla nelle impostazioni audio che il server sia in "
                                  "funzione, poi chiudi l'app e riaprila."),
                   std::nullopt};
    if (auto link = piattaforma_->impostazioniAudio())
        permesso.apre = QString::fromStdString(*link);
    passi.append(permesso);

    bool tutti = true;
    for (const Passo& p : passi) tutti = tutti && p.esito;
    controllo_ = passi;
    tuttoBene_ = tutti;
    emit controlloCambiato();
}

void Macchina::leggiUscite() {
    if (auto elenco = piattaforma_->elencoUscite()) {
        const QStringList nuove = QString::fromStdString(*elenco).split(u'\n', Qt::SkipEmptyParts);
        if (nuove != uscite_) {
            uscite_ = nuove;
            emit usciteCambiate();
        }
    }
    if (uscitaDecisa_) return;
    uscitaDecisa_ = true;
    const QString ricordata = impostazioni_->value(QStringLiteral("uscitaNome")).toString();
    if (!ricordata.isEmpty()) {
        const auto i = uscite_.indexOf(ricordata);
        if (i >= 0) {
            mettiUscitaScelta(static_cast<int>(i));
            return;
        }
    }
    const int predefinita = piattaforma_->uscitaPredefinita();
    mettiUscitaScelta(predefinita >= 0 && predefinita < uscite_.size() ? predefinita : 0);
}

void Macchina::ricordaUscita() {
    if (uscitaScelta_ < 0 || uscitaScelta_ >= uscite_.size()) return;
    impostazioni_->setValue(QStringLiteral("uscitaNome"), uscite_.at(uscitaScelta_));
    impostazioni_->sync();
}

bool Macchina::apriImpostazioni(const QString& indirizzo) {
    return piattaforma_->apri(indirizzo.toStdString());
}

// ---- Running ----

void Macchina::accendi() {
    if (piattaforma_->altroAttivo()) {
        mettiMessaggio(kAltroAperto);
        return;
    }
    uint32_t id = piattaforma_->idUscita(uscitaScelta_);
    if (id == 0) {
        leggiUscite();
        id = piattaforma_->idUscita(uscitaScelta_);
    }
    if (!piattaforma_->avvia(id)) {
        const QString e = QString::fromStdString(piattaforma_->errore());
        mettiMessaggio(e.isEmpty() ? kNonCattura : e);
        return;
    }
    mettiAccesa(true);
    mettiMessaggio(QString());
    // Replacing the beat (never adding a second one) keeps one poll even when started twice.
    orologio_ = tempo_->ripeti(kPeriodo, [this] { battito(); });
}

void Macchina::spegni() {
    orologio_.reset();
    piattaforma_->ferma();
    mettiAccesa(false);
    fermoDa_ = 0;
    ultimoConteggio_ = 0;
}

void Macchina::battito() {
    regolaIngresso();
    leggiMisure();
    if (accesa_) sorveglia();
}

void Macchina::regolaIngresso() {
    if (!preAuto_ || !accesa_) return;
    // The look-ahead gate, when on, steers the input itself.
    if (velmora_leggi("g_porta", PREDEFINITI("g_porta")) >= 1.0) return;
    const auto& in = misure_->metroIn;
    const double picco = *std::max_element(in.begin(), in.end());
    if (picco > piccoIn_)
        piccoIn_ = picco;
    else
        piccoIn_ += (picco - piccoIn_) * 0.02;
    if (piccoIn_ <= -75.0) return;
    const double ora = tempo_->adesso();
    const double dt = ora - ultimoPre_;
    if (dt <= 0.5) return;
    ultimoPre_ = ora;
    // After a pause (stopped, switched off, silence) the step stays that of one second: the
    // gain never jumps by the whole distance at once.
    const double tratto = std::min(dt, 1.0);
    const double pre = velmora_leggi("g_pre", 0);
    // The input meters read the signal before the input gain, so the gain that brings the peaks
    // to -12 dBFS does not depend on the present gain.
    const double bersaglio = std::clamp(-12.0 - piccoIn_, -24.0, 40.0);
    const double delta = bersaglio - pre;
    const double velocita = std::abs(delta) > 6.0 ? 3.0 : 0.33;
    const double passo = std::clamp(delta, -velocita * tratto, velocita * tratto);
    if (std::abs(passo) > 0.02) velmora_imposta("g_pre", pre + passo);
}

void Macchina::leggiMisure() {
    const Letture l = piattaforma_->letture();
    Misure& m = *misure_;
    bool cambiato = false;
    auto segui = [&cambiato](float& campo, float nuovo, float soglia) {
        if (std::abs(nuovo - campo) > soglia) {
            campo = nuovo;
            cambiato = true;
        }
    };
    segui(m.agc, l.agc, 0.3f);
    for (std::size_t i = 0; i < 5; ++i) {
        segui(m.bande[i], l.bande[i], 0.3f);
        segui(m.livelli[i], l.livelli[i], 0.7f);
        segui(m.uscite5[i], l.uscite5[i], 0.7f);
    }
    segui(m.finale, l.finale, 0.3f);
    segui(m.tosatura, l.tosatura, 0.3f);
    auto elenco = [&cambiato](std::array<double, 5>& campo, const std::array<float, 5>& nuovo) {
        bool mosso = false;
        for (std::size_t i = 0; i < 5; ++i) mosso = mosso || std::abs(nuovo[i] - campo[i]) > 0.5;
        if (!mosso) return;
        for (std::size_t i = 0; i < 5; ++i) campo[i] = nuovo[i];
        cambiato = true;
    };
    elenco(m.metroIn, l.metroIn);
    elenco(m.metroOut, l.metroOut);
    const double d = static_cast<double>(l.metroOut[4]) - static_cast<double>(l.metroIn[4]);
    if (std::abs(d - m.differenza) > 0.3 && l.metroIn[4] > -70.0f) {
        m.differenza = d;
        cambiato = true;
    }
    if (cambiato) m.annuncia();
}

void Macchina::sorveglia() {
    const uint64_t n = piattaforma_->conteggio();
    if (n != ultimoConteggio_) {
        ultimoConteggio_ = n;
        fermoDa_ = 0;
        return;
    }
    ++fermoDa_;
    if (!piattaforma_->viva()) {
        spegni();
        mettiAllarme(kPresaSparita);
    } else if (fermoDa_ >= kTicSilenzio) {
        spegni();
        mettiAllarme(kSilenzio);
    }
}

// ---- Values ----

double Macchina::valore(std::string_view chiave) const {
    return velmora_leggi(chiaveC(chiave).c_str(), PREDEFINITI(chiave));
}

double Macchina::valore(std::string_view chiave, double riserva) const {
    return velmora_leggi(chiaveC(chiave).c_str(), riserva);
}

bool Macchina::ha(std::string_view chiave) const {
    return velmora_ha(chiaveC(chiave).c_str());
}

void Macchina::imposta(std::string_view chiave, double valore) {
    velmora_imposta(chiaveC(chiave).c_str(), valore);
}

void Macchina::sincronizza(std::string_view chiave, double valore) {
    velmora_imposta(chiaveC(chiave).c_str(), valore);
    avanzaRevisione();
}

QString Macchina::etichettaBanda(int banda) const {
    if (banda < 0 || banda > 4) return {};
    auto testo = [](double hz) {
        return hz >= 1000 ? QString::number(hz / 1000, 'f', 1) + u'k' : QString::number(hz, 'f', 0);
    };
    const double basso = banda == 0 ? valore("m_hpf") : valore("m_xo" + std::to_string(banda));
    const double alto = banda == 4 ? 20000.0 : valore("m_xo" + std::to_string(banda + 1));
    return testo(basso) + u'-' + testo(alto);
}

}  // namespace velmora
