#include "avvisi.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "macchina.h"
#include "tema.h"

namespace velmora {

namespace {

QString colore(const QColor& c) {
    return c.name(QColor::HexRgb);
}

QLabel* etichetta(const QString& testo, const QFont& f, const QColor& c, QWidget* genitore) {
    auto* l = new QLabel(testo, genitore);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(colore(c)));
    return l;
}

}  // namespace

Avviso::Avviso(QWidget* genitore) : QFrame(genitore) {
    setObjectName(QStringLiteral("avviso"));
    auto* riga = new QHBoxLayout(this);
    riga->setContentsMargins(10, 6, 10, 6);
    riga->setSpacing(8);
    icona_ = new QLabel(this);
    icona_->setFont(tema::carattere(13, false, QFont::Bold));
    icona_->setFixedWidth(18);
    icona_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    testo_ = new QLabel(this);
    testo_->setFont(tema::carattere(11));
    testo_->setWordWrap(true);
    testo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    riga->addWidget(icona_);
    riga->addWidget(testo_, 1);
    mostra({}, false);
}

void Avviso::mostra(const QString& testo, bool grave) {
    grave_ = grave;
    const QColor c = grave ? tema::rosso() : tema::blu();
    icona_->setText(grave ? QStringLiteral("⚠") : QStringLiteral("ⓘ"));
    icona_->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(colore(c)));
    testo_->setStyleSheet(
        QStringLiteral("color:%1;background:transparent;").arg(colore(tema::inchio())));
    testo_->setText(testo);
    setStyleSheet(QStringLiteral("QFrame#avviso{background:%1;border:1px solid %2;"
                                 "border-radius:8px;}")
                      .arg(tema::alfa(c, 0.12).name(QColor::HexArgb), colore(tema::alfa(c, 0.5))));
}

QString Avviso::testo() const {
    return testo_->text();
}

Controllo::Controllo(Macchina& m, QWidget* genitore) : QFrame(genitore), m_(m) {
    setObjectName(QStringLiteral("controllo"));
    setStyleSheet(QStringLiteral("QFrame#controllo{background:%1;border:1px solid %2;"
                                 "border-radius:8px;}")
                      .arg(colore(tema::pannello()), colore(tema::bordo())));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(12, 10, 12, 10);
    l->setSpacing(6);
    righe_ = new QVBoxLayout;
    righe_->setSpacing(6);
    l->addLayout(righe_);
    connect(&m_, &Macchina::controlloCambiato, this, &Controllo::ricostruisci);
    connect(&m_, &Macchina::italianoCambiato, this, &Controllo::ricostruisci);
    ricostruisci();
}

void Controllo::ricostruisci() {
    while (QLayoutItem* it = righe_->takeAt(0)) {
        if (QWidget* w = it->widget()) {
            w->hide();
            w->deleteLater();
        }
        if (QLayout* sotto = it->layout()) {
            while (QLayoutItem* j = sotto->takeAt(0)) {
                if (j->widget()) {
                    j->widget()->hide();
                    j->widget()->deleteLater();
                }
                delete j;
            }
        }
        delete it;
    }
    auto* titolo = etichetta(lingua(m_, "BEFORE WE START", "PRIMA DI PARTIRE"), tema::spaziato(8),
                             tema::tenue(), this);
    righe_->addWidget(titolo);
    for (const Passo& p : m_.controllo()) {
        auto* riga = new QWidget(this);
        auto* h = new QHBoxLayout(riga);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(8);
        auto* segno = etichetta(p.esito ? QStringLiteral("✔") : QStringLiteral("✖"),
                                tema::carattere(12, false, QFont::Bold),
                                p.esito ? tema::verde() : tema::rosso(), riga);
        segno->setObjectName(p.esito ? QStringLiteral("passato") : QStringLiteral("mancante"));
        segno->setAlignment(Qt::AlignTop);
        segno->setFixedWidth(16);
        auto* colonna = new QVBoxLayout;
        colonna->setSpacing(2);
        auto* t = etichetta(p.titolo, tema::carattere(11), p.esito ? tema::tenue() : tema::inchio(),
                            riga);
        colonna->addWidget(t);
        if (!p.esito) {
            auto* r = etichetta(p.rimedio, tema::carattere(10), tema::tenue(), riga);
            r->setWordWrap(true);
            colonna->addWidget(r);
        }
        h->addWidget(segno);
        h->addLayout(colonna, 1);
        if (!p.esito && p.apre) {
            auto* apri = new QPushButton(lingua(m_, "Open Settings", "Apri le Impostazioni"), riga);
            const QString dove = *p.apre;
            connect(apri, &QPushButton::clicked, this, [this, dove] { m_.apriImpostazioni(dove); });
            h->addWidget(apri, 0, Qt::AlignTop);
        }
        righe_->addWidget(riga);
    }
    auto* ancora = new QPushButton(lingua(m_, "Check again", "Ricontrolla"), this);
    ancora->setObjectName(QStringLiteral("ricontrolla"));
    connect(ancora, &QPushButton::clicked, this, [this] { m_.controlla(); });
    auto* h = new QHBoxLayout;
    h->addWidget(ancora);
    h->addStretch(1);
    righe_->addLayout(h);
}

}  // namespace velmora
