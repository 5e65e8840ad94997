#include "sentinella.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "macchina.h"
#include "orologio.h"
#include "piattaforma.h"

namespace velmora {

const QString Sentinella::kTuttoBeneIt =
    QStringLiteral("La macchina sta lavorando nel punto per cui e' tarata.");
const QString Sentinella::kTuttoBeneEn =
    QStringLiteral("The machine is working at its intended point.");

namespace {

constexpr double kMai = std::numeric_limits<double>::infinity();

QString zeroDecimali(double x) {
    return QString::number(x, 'f', 0);
}

}  // namespace

Sentinella::Sentinella(Macchina& m, QObject* genitore)
    : QObject(genitore),
      m_(m),
      ultimoIn_(m.misure().metroIn),
      ultimeBande_(m.misure().bande),
      bassoDa_(kMai) {
    quando_ = finoA_ = da_ = daSu_ = adesso();
    connect(&m.misure(), &Misure::giroCambiato, this, &Sentinella::suGiro);
    connect(&m, &Macchina::accesaCambiata, this, [this] {
        azzera();
        emit cambiata();
    });
    connect(&m, &Macchina::revisioneCambiata, this, &Sentinella::cambiata);
    connect(&m, &Macchina::italianoCambiato, this, &Sentinella::cambiata);
    connect(&m, &Macchina::accMbCambiato, this, &Sentinella::cambiata);
}

double Sentinella::adesso() const {
    return m_.orologio().adesso();
}

void Sentinella::suGiro() {
    const Misure& mis = m_.misure();
    bool nuovo = false;
    if (mis.metroIn != ultimoIn_) {
        ultimoIn_ = mis.metroIn;
        aggiornaPicco();
        aggiornaIngresso();
        nuovo = true;
    }
    if (mis.bande != ultimeBande_) {
        ultimeBande_ = mis.bande;
        aggiornaBande();
        nuovo = true;
    }
    if (nuovo) emit cambiata();
}

void Sentinella::aggiornaPicco() {
    const auto& in = m_.misure().metroIn;
    const double picco = *std::max_element(in.begin(), in.end());
    const double ora = adesso();
    if (picco > piccoTenuto_) {
        piccoTenuto_ = picco;
        quando_ = ora;
    } else if (ora - quando_ > 10.0) {
        piccoTenuto_ += 0.15 * (picco - piccoTenuto_);
        quando_ = ora;
    }
    if (misurando_ && ora > finoA_) {
        misurando_ = false;
        // Only a noise floor came in: measuring it would send the music in 40 dB too hot later.
        if (piccoTenuto_ <= -75.0) {
            m_.mettiMessaggio(QStringLiteral(
                "Non ho sentito musica in questi secondi: il livello d'ingresso resta com'era."));
            return;
        }
        // The input meters read the signal before the input gain: the gain that brings the held
        // peak to -12 dBFS is the same whatever the gain was while measuring.
        const double bersaglio = std::min(-12.0 - piccoTenuto_, 40.0);
        const double nuovo = bersaglio < -24.0 ? -24.0 : std::round(bersaglio * 2.0) / 2.0;
        m_.sincronizza("g_pre", nuovo);
    }
}

void Sentinella::aggiornaIngresso() {
    const double ora = adesso();
    if (piccoTenuto_ < -35.0) {
        if (bassoDa_ > ora) bassoDa_ = ora;
        if (ora - bassoDa_ > 8.0) ingressoBasso_ = true;
    } else if (piccoTenuto_ > -30.0) {
        bassoDa_ = kMai;
        ingressoBasso_ = false;
    }
}

void Sentinella::aggiornaBande() {
    const auto& b = m_.misure().bande;
    const double media = std::accumulate(b.begin(), b.end(), 0.0) / 5.0;
    const double k = mediaLenta_ == 0.0 ? 1.0 : 0.03;
    mediaLenta_ += (media - mediaLenta_) * k;
    const double ora = adesso();
    if (bandeGiu_) {
        if (mediaLenta_ > -14.0 && ora - da_ > 6.0) bandeGiu_ = false;
    } else if (mediaLenta_ < -18.0) {
        bandeGiu_ = true;
        da_ = ora;
    }
    if (bandeSu_) {
        if (mediaLenta_ < 4.0 && ora - daSu_ > 6.0) bandeSu_ = false;
    } else if (mediaLenta_ > 6.0) {
        bandeSu_ = true;
        daSu_ = ora;
    }
}

void Sentinella::azzera() {
    piccoTenuto_ = -100;
    misurando_ = false;
    mediaLenta_ = 0;
    bandeGiu_ = false;
    bandeSu_ = false;
}

void Sentinella::trovaLivello() {
    piccoTenuto_ = -100;
    misurando_ = true;
    finoA_ = adesso() + 4.0;
    emit cambiata();
}

Sentinella::Contenuto Sentinella::contenuto() const {
    const bool it = m_.italiano();
    const Contenuto bene{it ? kTuttoBeneIt : kTuttoBeneEn, {}, true};
    if (!m_.accesa()) return bene;
    if (bandeSu_)
        return {(it ? QStringLiteral("LE BANDE STANNO ALZANDO DI ")
                    : QStringLiteral("THE BANDS ARE LIFTING BY ")) +
                    zeroDecimali(mediaLenta_) + QStringLiteral(" dB"),
                it ? QStringLiteral(
                         "Non e' un guasto: la sorgente entra piano e il banco la porta al tetto. "
                         "Oltre i sei dB pero' la macchina sta ricostruendo uno spettro che il "
                         "disco non ha. Guarda il livello d'ingresso: deve arrivare intorno a -12 "
                         "sui picchi.")
                   : QStringLiteral("Not a fault: the source is quiet and the bank lifts it. "
                                    "Past six dB it is rebuilding a spectrum the record does "
                                    "not have."),
                false};
    if (!m_.accMb())
        return {it ? QStringLiteral("IL BANCO E' SPENTO") : QStringLiteral("THE BANK IS OFF"),
                it ? QStringLiteral("Senza le cinque bande questo non e' un Lumeric: e' un "
                                    "equalizzatore con un livellatore davanti. Accendi INCROCI "
                                    "per sentire la macchina.")
                   : QStringLiteral("Without the five bands this is not an Lumeric. Turn on "
                                    "CROSSOVERS."),
                false};
    if (ingressoBasso_) {
        Piattaforma& p = m_.piattaforma();
        const QString n = QString::number(p.quantiCanali());
        const int c = p.canale();
        const QString coppia = QString::number(c + 1) + u'-' + QString::number(c + 2);
        const QString forte = zeroDecimali(p.piuForte());
        if (it)
            return {QStringLiteral("ENTRA POCO SEGNALE (") + zeroDecimali(piccoTenuto_) +
                        QStringLiteral(" dB)"),
                    QStringLiteral("La presa vede ") + n +
                        QStringLiteral(" canali, sto ascoltando il ") + coppia +
                        QStringLiteral(", e il canale piu' forte di tutti sta a ") + forte +
                        QStringLiteral(
                            " dB. La catena e' tarata per lavorare a -12: da -50 la "
                            "preamplificazione deve mettere quasi quaranta dB, e insieme al "
                            "suono tira su anche il fondo della sorgente. Alza il volume NEL "
                            "PROGRAMMA da cui ascolti e in quello di sistema, prima di Velmora."),
                    false};
        return {QStringLiteral("VERY LITTLE SIGNAL COMING IN"),
                QStringLiteral("The tap sees ") + n + QStringLiteral(" channels, listening to ") +
                    coppia + QStringLiteral(", loudest channel at ") + forte +
                    QStringLiteral(" dB. Raise the volume in the source app."),
                false};
    }
    if (bandeGiu_)
        return {it ? QStringLiteral("LE BANDE SCHIACCIANO MOLTO (") + zeroDecimali(-mediaLenta_) +
                         QStringLiteral(" dB)")
                   : QStringLiteral("THE BANDS ARE WORKING HARD"),
                it ? QStringLiteral("Sull'Ostrel vero stanno intorno a -11. Oltre i -18 il suono "
                                    "si chiude e si appiattisce.")
                   : QStringLiteral("The real Ostrel sits around -11."),
                false};
    return bene;
}

QString Sentinella::rigaPreamplificazione() const {
    return (m_.italiano() ? QStringLiteral("preamplificazione ora: ")
                          : QStringLiteral("input gain now: ")) +
           QString::number(m_.valore("g_pre"), 'f', 1) + QStringLiteral(" dB");
}

QString Sentinella::etichettaTrova() const {
    return m_.italiano() ? QStringLiteral("trova il livello") : QStringLiteral("find the level");
}

}  // namespace velmora
