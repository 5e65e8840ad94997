#include "finestra_disinstalla.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "avvisi.h"
#include "macchina.h"
#include "piattaforma.h"
#include "tema.h"

namespace velmora {

namespace {

QLabel* testo(const QString& t, const QFont& f, const QColor& c, QWidget* genitore) {
    auto* l = new QLabel(t, genitore);
    l->setFont(f);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(c.name()));
    return l;
}

void svuota(QLayout* l) {
    while (QLayoutItem* it = l->takeAt(0)) {
        if (QWidget* w = it->widget()) {
            w->hide();
            w->deleteLater();
        }
        if (QLayout* sotto = it->layout()) svuota(sotto);
        delete it;
    }
}

}  // namespace

FinestraDisinstalla::FinestraDisinstalla(Macchina& m, QWidget* genitore)
    : FinestraDisinstalla(
          m, Disinstalla::luoghiPredefiniti(), [] { QCoreApplication::quit(); },
          [] {
              PiattaformaVera p;
              const auto link = p.impostazioniAudio();
              return link ? QString::fromStdString(*link) : QString();
          }(),
          genitore) {}

FinestraDisinstalla::FinestraDisinstalla(Macchina& m, Disinstalla::Luoghi luoghi,
                                         std::function<void()> esci, QString impostazioniAudio,
                                         QWidget* genitore)
    : QDialog(genitore),
      m_(m),
      luoghi_(std::move(luoghi)),
      esci_(std::move(esci)),
      impostazioniAudio_(std::move(impostazioniAudio)) {
    setObjectName(QStringLiteral("disinstalla"));
    setWindowTitle(lingua(m_, "Uninstall Velmora", "Disinstalla Velmora"));
    setModal(true);
    setMinimumWidth(560);
    setStyleSheet(QStringLiteral("QDialog#disinstalla{background:%1;}"
                                 "QPushButton{color:%2;background:%3;border:1px solid %4;"
                                 "border-radius:5px;padding:4px 12px;}"
                                 "QPushButton:hover{border-color:%5;}")
                      .arg(tema::fondo().name(), tema::inchio().name(), tema::alzato().name(),
                           tema::bordo().name(), tema::blu().name()));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(20, 18, 20, 16);
    l->setSpacing(10);

    auto* titolo = testo(lingua(m_, "Uninstall Velmora", "Disinstalla Velmora"),
                         tema::carattere(15, false, QFont::Bold), tema::inchio(), this);
    l->addWidget(titolo);
    corpo_ = new QVBoxLayout;
    corpo_->setSpacing(6);
    l->addLayout(corpo_);

    lavoro_ = new QCheckBox(lingua(m_,
                                   "Also the working folder: it holds the presets you saved "
                                   "yourself",
                                   "Anche la cartella di lavoro: dentro ci sono i preset che hai "
                                   "salvato tu"),
                            this);
    lavoro_->setObjectName(QStringLiteral("cartellaDiLavoro"));
    lavoro_->setStyleSheet(QStringLiteral("color:%1;").arg(tema::inchio().name()));
    connect(lavoro_, &QCheckBox::toggled, this, &FinestraDisinstalla::conCartellaDiLavoro);
    l->addWidget(lavoro_);

    auto* riga = new QFrame(this);
    riga->setFrameShape(QFrame::HLine);
    riga->setStyleSheet(QStringLiteral("color:%1;").arg(tema::bordo().name()));
    l->addWidget(riga);

    // The audio server keeps no permission to withdraw.
    auto* permesso = new QFrame(this);
    permesso->setObjectName(QStringLiteral("permesso"));
    permesso->setStyleSheet(
        QStringLiteral("QFrame#permesso{background:%1;border:1px solid %2;border-radius:8px;}")
            .arg(tema::pannello().name(), tema::bordo().name()));
    auto* pl = new QVBoxLayout(permesso);
    pl->setContentsMargins(12, 10, 12, 10);
    pl->addWidget(
        testo(lingua(m_, "NOTHING FOR YOU TO REMOVE HERE", "QUI NON DEVI TOGLIERE NIENTE"),
              tema::spaziato(9, QFont::Bold), tema::inchio(), permesso));
    pl->addWidget(testo(
        lingua(m_,
               "On Linux there is no audio-capture permission to withdraw: the audio server "
               "lets your own programs listen without asking. All Velmora leaves in it is your "
               "choice of default output, and it puts that back when it stops. You can check it "
               "in the sound settings.",
               "Su Linux non c'e' nessun permesso di ascoltare l'audio da togliere: il server "
               "audio lascia ascoltare i tuoi programmi senza chiedere. Dentro di lui Velmora "
               "lascia solo la tua scelta dell'uscita predefinita, e quando si ferma la rimette "
               "com'era. Se vuoi controllare, sta nelle impostazioni audio."),
        tema::carattere(10.5), tema::tenue(), permesso));
    if (!impostazioniAudio_.isEmpty()) {
        auto* apri = new QPushButton(
            lingua(m_, "Open Sound Settings", "Apri le Impostazioni audio"), permesso);
        connect(apri, &QPushButton::clicked, this,
                [this] { m_.apriImpostazioni(impostazioniAudio_); });
        auto* h = new QHBoxLayout;
        h->addWidget(apri);
        h->addStretch(1);
        pl->addLayout(h);
    }
    l->addWidget(permesso);

    auto* bottoni = new QHBoxLayout;
    bottoni->addStretch(1);
    auto* annulla = new QPushButton(lingua(m_, "Cancel", "Annulla"), this);
    connect(annulla, &QPushButton::clicked, this, &QDialog::reject);
    via_ = new QPushButton(lingua(m_, "Move to Trash and quit", "Metti nel Cestino ed esci"), this);
    via_->setObjectName(QStringLiteral("via"));
    via_->setStyleSheet(QStringLiteral("QPushButton#via{background:%1;color:white;"
                                       "border-radius:5px;padding:5px 14px;font-weight:bold;}")
                            .arg(tema::rosso().name()));
    connect(via_, &QPushButton::clicked, this, &FinestraDisinstalla::rimuovi);
    bottoni->addWidget(annulla);
    bottoni->addWidget(via_);
    l->addLayout(bottoni);

    cose_ = Disinstalla::elenco(luoghi_);
    ricostruisci();
}

void FinestraDisinstalla::conCartellaDiLavoro(bool si) {
    if (!esito_.isEmpty()) return;
    luoghi_.cartellaDiLavoro = si;
    cose_ = Disinstalla::elenco(luoghi_);
    ricostruisci();
}

void FinestraDisinstalla::ricostruisci() {
    svuota(corpo_);
    if (!esito_.isEmpty()) {
        auto* a = new Avviso(this);
        a->mostra(esito_, !falliti_.isEmpty());
        corpo_->addWidget(a);
        if (!falliti_.isEmpty()) {
            auto* f = testo(falliti_.join(QLatin1Char('\n')), tema::carattere(10, true),
                            tema::inchio(), this);
            f->setObjectName(QStringLiteral("falliti"));
            f->setTextInteractionFlags(Qt::TextSelectableByMouse);
            corpo_->addWidget(f);
        }
    } else if (!cose_.isEmpty()) {
        corpo_->addWidget(testo(lingua(m_,
                                       "These go to the Trash — not deleted. You can put them "
                                       "back.",
                                       "Queste cose finiscono nel Cestino. Non vengono "
                                       "cancellate: se ci ripensi, le rimetti a posto da li'."),
                                tema::carattere(11), tema::inchio(), this));
        for (const Rimozione& r : cose_) {
            auto* riga = new QWidget(this);
            riga->setObjectName(QStringLiteral("cosa"));
            riga->setProperty("percorso", r.percorso);
            auto* h = new QHBoxLayout(riga);
            h->setContentsMargins(4, 1, 0, 1);
            auto* cestino = new QLabel(riga);
            cestino->setPixmap(style()->standardIcon(QStyle::SP_TrashIcon).pixmap(14, 14));
            cestino->setFixedWidth(18);
            cestino->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
            auto* v = new QVBoxLayout;
            v->setSpacing(0);
            // The descriptions are Italian in both languages.
            v->addWidget(testo(r.cosa, tema::carattere(11), tema::inchio(), riga));
            v->addWidget(testo(r.percorso, tema::carattere(9, true), tema::tenue(), riga));
            h->addWidget(cestino);
            h->addLayout(v, 1);
            corpo_->addWidget(riga);
        }
    } else {
        auto* a = new Avviso(this);
        a->mostra(lingua(m_, "Nothing left to remove: already clean.",
                         "Non trovo piu' niente da togliere: e' gia' tutto pulito."),
                  false);
        corpo_->addWidget(a);
    }
}

void FinestraDisinstalla::rimuovi() {
    // The sound goes back to normal before anything moves.
    m_.spegni();
    falliti_ = Disinstalla::esegui(cose_);
    esito_ = falliti_.isEmpty() ? lingua(m_, "Done. Velmora is in the Trash. Quitting.",
                                         "Fatto. Velmora e' nel Cestino. Chiudo.")
                                : lingua(m_, "Some items could not be moved.",
                                         "Alcune cose non sono uscite: toglile a mano.");
    lavoro_->setEnabled(false);
    via_->setEnabled(!falliti_.isEmpty());
    ricostruisci();
    if (falliti_.isEmpty() && esci_) QTimer::singleShot(1600, this, [this] { esci_(); });
}

}  // namespace velmora
