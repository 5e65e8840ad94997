// The application model: the one object the interface observes and calls. It is the only caller
// of the engine and the capture layer on the interface's behalf: checklist, outputs, start and
// stop, the meter poll, the watchdog, the automatic input gain, the stage switches, presets and
// the record of touched controls. Main thread only.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogo.h"
#include "valori.h"

class QSettings;

namespace velmora {

class Orologio;
class Piattaforma;
class Battito;

// One step of the pre-start checklist. Identity is `id`.
struct Passo {
    QString id;
    QString titolo;  // what is checked
    bool esito = false;
    QString rimedio;              // what to do when it fails
    std::optional<QString> apre;  // a link the interface offers to open

    friend bool operator==(const Passo& a, const Passo& b) { return a.id == b.id; }
};

// The measurement record, refreshed by the poll. Only `giro` is published: it moves once per
// poll in which anything below changed, so the meters redraw only then.
class Misure : public QObject {
    Q_OBJECT
    Q_PROPERTY(int giro READ giro NOTIFY giroCambiato)

  public:
    using QObject::QObject;

    float agc = 0;
    std::array<float, 5> bande{};
    std::array<float, 5> livelli{-100, -100, -100, -100, -100};
    std::array<float, 5> uscite5{-100, -100, -100, -100, -100};
    float finale = 0;
    float tosatura = 0;
    std::array<double, 5> metroIn{-100, -100, -100, -100, -100};
    std::array<double, 5> metroOut{-100, -100, -100, -100, -100};
    double differenza = 0;  // output RMS minus input RMS, dB

    int giro() const { return giro_; }
    void annuncia() { emit giroCambiato(++giro_); }

  signals:
    void giroCambiato(int giro);

  private:
    int giro_ = 0;
};

// A built-in sound.
struct Suono {
    QString file;  // resource name without extension
    QString nome;
    QString nomeEn;
    QString detta;
    QString dettaEn;
};

// A control that differs from the snapshot of the last loaded preset.
struct Toccato {
    const Comando* comando = nullptr;
    double partenza = 0;
    double adesso = 0;
};

// Where presets are looked for.
struct CartellePreset {
    QString lavoro;    // the working folder (first place, and where file dialogs start)
    QStringList dati;  // installed preset folders, in order
    QString risorse;   // the built-in copies (a Qt resource folder)

    // ~/BRESKO/VELMORA/STATUS-CORRENTE, <data dirs>/velmora/presets, :/velmora/presets
    static CartellePreset predefinite();
};

// What a Macchina runs on. Absent parts are replaced by the real ones (the capture layer, the Qt
// clock, the application's QSettings, the standard preset folders). Whatever is given must
// outlive the Macchina.
struct Ambiente {
    Piattaforma* piattaforma = nullptr;
    Orologio* orologio = nullptr;
    QSettings* impostazioni = nullptr;
    std::optional<CartellePreset> cartelle;
};

class Macchina : public QObject, public Valori {
    Q_OBJECT
    Q_PROPERTY(bool accesa READ accesa NOTIFY accesaCambiata)
    Q_PROPERTY(QStringList uscite READ uscite NOTIFY usciteCambiate)
    Q_PROPERTY(
        int uscitaScelta READ uscitaScelta WRITE mettiUscitaScelta NOTIFY uscitaSceltaCambiata)
    Q_PROPERTY(QString messaggio READ messaggio WRITE mettiMessaggio NOTIFY messaggioCambiato)
    Q_PROPERTY(QString nomePreset READ nomePreset NOTIFY nomePresetCambiato)
    Q_PROPERTY(bool preAuto READ preAuto WRITE mettiPreAuto NOTIFY preAutoCambiato)
    Q_PROPERTY(int revisioneTocchi READ revisioneTocchi NOTIFY revisioneTocchiCambiata)
    Q_PROPERTY(bool italiano READ italiano WRITE mettiItaliano NOTIFY italianoCambiato)
    Q_PROPERTY(
        QString suggerimento READ suggerimento WRITE mettiSuggerimento NOTIFY suggerimentoCambiato)
    Q_PROPERTY(bool accEq READ accEq WRITE mettiAccEq NOTIFY accEqCambiato)
    Q_PROPERTY(bool accAgc READ accAgc WRITE mettiAccAgc NOTIFY accAgcCambiato)
    Q_PROPERTY(bool accMb READ accMb WRITE mettiAccMb NOTIFY accMbCambiato)
    Q_PROPERTY(bool accCom READ accCom WRITE mettiAccCom NOTIFY accComCambiato)
    Q_PROPERTY(bool accBan READ accBan WRITE mettiAccBan NOTIFY accBanCambiato)
    Q_PROPERTY(bool accMax READ accMax WRITE mettiAccMax NOTIFY accMaxCambiato)
    Q_PROPERTY(int revisione READ revisione NOTIFY revisioneCambiata)
    Q_PROPERTY(bool lavora READ lavora WRITE mettiLavora NOTIFY lavoraCambiata)
    Q_PROPERTY(bool tuttoBene READ tuttoBene NOTIFY controlloCambiato)
    Q_PROPERTY(QString allarme READ allarme WRITE mettiAllarme NOTIFY allarmeCambiato)

  public:
    // Runs the checklist, creates the engine at 48 kHz, registers the engine's delayed-task
    // hook on this object's clock and loads the default preset.
    explicit Macchina(Ambiente ambiente = {}, QObject* genitore = nullptr);
    ~Macchina() override;
    Macchina(const Macchina&) = delete;
    Macchina& operator=(const Macchina&) = delete;

    // What it runs on (the advisor reads the capture layer's channel report through it).
    Piattaforma& piattaforma() const { return *piattaforma_; }
    Orologio& orologio() const { return *tempo_; }

    // ---- Properties ----
    Misure& misure() { return *misure_; }
    const Misure& misure() const { return *misure_; }
    bool accesa() const { return accesa_; }
    const QStringList& uscite() const { return uscite_; }
    int uscitaScelta() const { return uscitaScelta_; }
    const QString& messaggio() const { return messaggio_; }
    const QString& nomePreset() const { return nomePreset_; }
    bool preAuto() const { return preAuto_; }
    const std::map<std::string, double, std::less<>>& partenza() const { return partenza_; }
    int revisioneTocchi() const { return revisioneTocchi_; }
    bool italiano() const { return italiano_; }
    const QString& suggerimento() const { return suggerimento_; }
    bool accEq() const { return accEq_; }
    bool accAgc() const { return accAgc_; }
    bool accMb() const { return accMb_; }
    bool accCom() const { return accCom_; }
    bool accBan() const { return accBan_; }
    bool accMax() const { return accMax_; }
    int revisione() const { return revisione_; }
    bool lavora() const { return lavora_; }
    const QList<Passo>& controllo() const { return controllo_; }
    bool tuttoBene() const { return tuttoBene_; }
    const QString& allarme() const { return allarme_; }

    void mettiUscitaScelta(int indice);
    void mettiMessaggio(const QString& testo);
    void mettiPreAuto(bool si);
    void mettiItaliano(bool si);
    void mettiSuggerimento(const QString& testo);
    // The six stage switches write their key (1 or 0) every time they are set.
    void mettiAccEq(bool si);
    void mettiAccAgc(bool si);
    void mettiAccMb(bool si);
    void mettiAccCom(bool si);
    void mettiAccBan(bool si);
    void mettiAccMax(bool si);
    // Processing (true) or loudness-matched bypass (false); set every time.
    void mettiLavora(bool si);
    void mettiAllarme(const QString& testo);

    // ---- Checks and devices ----
    // Rebuilds the checklist ("os", "uscite", "solo", "permesso") and tuttoBene.
    void controlla();
    // Refreshes the output list; the first call per launch also makes the initial choice.
    void leggiUscite();
    // Remembers the chosen output by name (settings key "uscitaNome").
    void ricordaUscita();
    // Opens a checklist link.
    bool apriImpostazioni(const QString& indirizzo);

    // ---- Running ----
    void accendi();
    void spegni();
    // One tick of the 0.13 s poll: automatic input gain, meters, watchdog. The repeating beat
    // calls it while processing runs.
    void battito();
    static constexpr double kPeriodo = 0.13;
    static constexpr int kTicSilenzio = 600;

    // ---- Values ----
    double valore(std::string_view chiave) const override;
    double valore(std::string_view chiave, double riserva) const;
    bool ha(std::string_view chiave) const override;
    // Written by the widget that shows the value: no revision.
    void imposta(std::string_view chiave, double valore);
    // Written by anything else: every widget re-reads.
    void sincronizza(std::string_view chiave, double valore) override;
    // Frequency range of band 0 ... 4, e.g. "400-1.5k".
    QString etichettaBanda(int banda) const;

    // ---- Presets and touched controls ----
    static const std::array<Suono, 3>& treSuoni();
    const CartellePreset& cartelle() const { return cartelle_; }
    // The working folder, where the open and save dialogs start.
    QString cartellaLavoro() const { return cartelle_.lavoro; }
    // The file name the save dialog proposes: the preset's name (or "Velmora") + ".json".
    QString nomeProposto() const;
    // Loads the first default preset found (working folder, installed folders, built-in
    // copies); false when none was found or it did not load.
    bool caricaPresetPredefinito();
    // Loads a preset file (a path, or a Qt resource path ":/..."). On failure `messaggio` says
    // so and nothing else changes. Picking a file is the interface's open dialog (JSON files
    // only, starting in cartellaLavoro()); cancelling it simply does not call this.
    bool carica(const QString& percorso);
    // Loads a built-in copy by name (e.g. "2-radio"); silent when there is none.
    void caricaDalPacchetto(const QString& nome);
    // Back to the stock preset, with a notice that clears itself five seconds later.
    void tornaAllaPartenza();
    // Writes the current settings to the path the interface's save dialog returned (JSON
    // files only, starting in cartellaLavoro(), proposing nomeProposto()), atomically: a failed
    // write leaves an existing file as it was and says why in `messaggio`. An empty path (the
    // dialog was cancelled) does nothing.
    bool salvaPreset(const QString& percorso);
    // The preset text of the current settings: 155 sorted lines.
    std::string testoPreset() const;
    void segnaPartenza();
    std::vector<Toccato> toccati() const;
    void rimetti(std::string_view chiave);
    void rimettiTutto();

    // Texts of the notices and messages.
    static const QString kAltroAperto;
    static const QString kNonCattura;
    static const QString kPresaSparita;
    static const QString kSilenzio;
    static const QString kMotoreGiu;

  signals:
    void accesaCambiata(bool accesa);
    void usciteCambiate();
    void uscitaSceltaCambiata(int indice);
    void messaggioCambiato(const QString& testo);
    void nomePresetCambiato(const QString& nome);
    void preAutoCambiato(bool si);
    void partenzaCambiata();
    void revisioneTocchiCambiata(int revisione);
    void italianoCambiato(bool si);
    void suggerimentoCambiato(const QString& testo);
    void accEqCambiato(bool si);
    void accAgcCambiato(bool si);
    void accMbCambiato(bool si);
    void accComCambiato(bool si);
    void accBanCambiato(bool si);
    void accMaxCambiato(bool si);
    void revisioneCambiata(int revisione);
    void lavoraCambiata(bool si);
    void controlloCambiato();
    void allarmeCambiato(const QString& testo);

  private:
    void mettiAccesa(bool si);
    void mettiNomePreset(const QString& nome);
    void avanzaRevisione();
    void avanzaRevisioneTocchi();
    void regolaIngresso();
    void leggiMisure();
    void sorveglia();
    std::optional<QString> percorsoPredefinito() const;
    // Every default-preset candidate that exists, in search order.
    QStringList percorsiPredefiniti() const;
    // Loads the first candidate that loads; answers its path.
    std::optional<QString> caricaPrimoPredefinito();
    // The six stage switches with their keys.
    std::array<std::pair<const char*, bool>, 6> interruttori() const;
    static void posta(void (*compito)(void*), void* dati, int ritardoMs, void* contesto);

    std::unique_ptr<Piattaforma> piattaformaPropria_;
    std::unique_ptr<Orologio> orologioProprio_;
    std::unique_ptr<QSettings> impostazioniProprie_;
    Piattaforma* piattaforma_ = nullptr;
    Orologio* tempo_ = nullptr;
    QSettings* impostazioni_ = nullptr;
    CartellePreset cartelle_;

    Misure* misure_ = nullptr;
    bool accesa_ = false;
    QStringList uscite_;
    int uscitaScelta_ = 0;
    QString messaggio_;
    QString nomePreset_ = QStringLiteral("(nessuno)");
    bool preAuto_ = true;
    std::map<std::string, double, std::less<>> partenza_;
    int revisioneTocchi_ = 0;
    bool italiano_ = true;
    QString suggerimento_;
    bool accEq_ = true;
    bool accAgc_ = true;
    bool accMb_ = true;
    bool accCom_ = true;
    bool accBan_ = true;
    bool accMax_ = true;
    int revisione_ = 0;
    bool lavora_ = true;
    QList<Passo> controllo_;
    bool tuttoBene_ = false;
    QString allarme_;

    double piccoIn_ = -100.0;
    double ultimoPre_ = 0;
    std::unique_ptr<Battito> orologio_;
    uint64_t ultimoConteggio_ = 0;
    int fermoDa_ = 0;
    bool uscitaDecisa_ = false;
};

}  // namespace velmora
