// The status advisor: watches the measurements while processing runs and explains in one title
// and one paragraph the level problem that matters most now; and "find the level", which
// measures the input for four seconds and sets the input gain so the peaks land at -12 dBFS.
// Driven by the model's measurement record; it has no timer of its own.
#pragma once

#include <QObject>
#include <QString>
#include <array>

namespace velmora {

class Macchina;

class Sentinella : public QObject {
    Q_OBJECT

  public:
    // Follows `m.misure()` (input meters and band gains) and `m.accesa()`.
    explicit Sentinella(Macchina& m, QObject* genitore = nullptr);

    struct Contenuto {
        QString titolo;
        QString testo;  // empty for the all-good line
        bool tuttoBene = false;
    };
    // The current title and text in the model's language.
    Contenuto contenuto() const;
    // "preamplificazione ora: 3.5 dB" / "input gain now: 3.5 dB".
    QString rigaPreamplificazione() const;
    // Label of the button that starts a measurement.
    QString etichettaTrova() const;

    // "find the level": forget the held peak and measure for four seconds.
    void trovaLivello();

    // What runs on every change of the input meters, of the band gains, and of `accesa`.
    void aggiornaPicco();
    void aggiornaIngresso();
    void aggiornaBande();
    void azzera();

    // State, for the views and the tests.
    double piccoTenuto() const { return piccoTenuto_; }
    double mediaLenta() const { return mediaLenta_; }
    bool misurando() const { return misurando_; }
    bool ingressoBasso() const { return ingressoBasso_; }
    bool bandeGiu() const { return bandeGiu_; }
    bool bandeSu() const { return bandeSu_; }

    static const QString kTuttoBeneIt;
    static const QString kTuttoBeneEn;

  signals:
    // The title, text or gain line may read differently now.
    void cambiata();

  private:
    void suGiro();
    double adesso() const;

    Macchina& m_;
    std::array<double, 5> ultimoIn_;
    std::array<float, 5> ultimeBande_;

    double piccoTenuto_ = -100;
    double quando_ = 0;
    bool misurando_ = false;
    double finoA_ = 0;
    double mediaLenta_ = 0;
    bool bandeGiu_ = false;
    double da_ = 0;
    double bassoDa_;  // +infinity: not low
    bool ingressoBasso_ = false;
    bool bandeSu_ = false;
    double daSu_ = 0;
};

}  // namespace velmora
