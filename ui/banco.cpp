#include "banco.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "catena.h"
#include "comandi.h"
#include "curve.h"
#include "macchina.h"
#include "metri.h"
#include "tema.h"

namespace velmora {

namespace {

QLabel* testo(const QString& t, const QFont& f, const QColor& c, QWidget* genitore) {
    auto* l = new QLabel(t, genitore);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(c.name()));
    return l;
}

// A label whose text follows the language.
QLabel* testoBilingue(Macchina& m, const char* en, const char* it, const QFont& f, const QColor& c,
                      QWidget* genitore) {
    auto* l = testo(lingua(m, en, it), f, c, genitore);
    QObject::connect(&m, &Macchina::italianoCambiato, l,
                     [l, &m, en, it] { l->setText(lingua(m, en, it)); });
    return l;
}

std::string chiave(const char* base, int n) {
    return base + std::to_string(n);
}

}  // namespace

// ---- Equaliser page ----

ColonnaFiltro::ColonnaFiltro(const Filtro& f, Macchina& m, QWidget* genitore) : QWidget(genitore) {
    const QColor colore = tema::rgb(f.colore.rosso, f.colore.verde, f.colore.blu);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(3);
    l->addWidget(testo(qs(f.id), tema::carattere(10, true, QFont::Bold), colore, this), 0,
                 Qt::AlignHCenter);
    l->addWidget(testo(qs(f.nome), tema::carattere(8), tema::tenue(), this), 0, Qt::AlignHCenter);
    const auto numero = [&](std::optional<std::string_view> k, const char* formato) {
        if (!k) return;
        if (const Comando* c = trova(*k))
            l->addWidget(new Numero(*c, m, QString::fromLatin1(formato), colore, this), 0,
                         Qt::AlignHCenter);
    };
    numero(f.hz, "%.0f Hz");
    numero(f.db, "%+.1f dB");
    numero(f.q, "Q %.2f");
    if (f.id == "HP") numero("e_hpsez", "x%.0f");
    l->addStretch(1);
}

PaginaEq::PaginaEq(Macchina& m, QWidget* genitore) : QWidget(genitore) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(8);
    l->addWidget(new CurvaEq(m, this));
    auto* colonne = new QHBoxLayout;
    colonne->setSpacing(6);
    for (const Filtro& f : FILTRI) colonne->addWidget(new ColonnaFiltro(f, m, this));
    colonne->addStretch(1);
    l->addLayout(colonne);
    auto* nota = testoBilingue(
        m, "Drag the numbers up and down, as in Logic.",
        "I numeri si trascinano su e giu' col mouse, come su Logic. Sta prima di tutto: quello "
        "che tagli qui il multibanda tende a rimettercelo — per i tagli che devono restare c'e' "
        "la campana fissa nel FINALE.",
        tema::carattere(9), tema::tenue(), this);
    nota->setWordWrap(true);
    l->addWidget(nota);
}

// ---- Crossover row ----

RigaIncroci::RigaIncroci(Macchina& m, QWidget* genitore) : QWidget(genitore) {
    auto* l = new QHBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(6);
    for (int k = 1; k <= 4; ++k) {
        l->addWidget(testo(QStringLiteral("%1|%2").arg(k).arg(k + 1), tema::carattere(8.5, true),
                           tema::tenue(), this));
        if (const Comando* c = trova(chiave("m_xo", k)))
            l->addWidget(new Numero(*c, m, QStringLiteral("%.0f Hz"), tema::blu(), this));
    }
    auto* pend = testo({}, tema::carattere(8.5, true), tema::tenue(), this);
    const auto rifai = [pend, &m] {
        pend->setText(QString::asprintf("%.0f dB/oct", m.valore("m_pend")));
    };
    rifai();
    connect(&m, &Macchina::revisioneCambiata, pend, rifai);
    connect(&Eco::di(m), &Eco::mosso, pend, rifai);
    l->addSpacing(10);
    l->addWidget(pend);
    l->addStretch(1);
}

// ---- Band button ----

BottoneBanda::BottoneBanda(int banda, Macchina& m, QWidget* genitore)
    : QWidget(genitore), i_(banda), m_(m) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    gain_ = m_.misure().bande[static_cast<std::size_t>(i_)];
    connect(&m_.misure(), &Misure::giroCambiato, this, [this] {
        const float g = m_.misure().bande[static_cast<std::size_t>(i_)];
        if (std::abs(g - gain_) < 0.05f) return;
        gain_ = g;
        update();
    });
    connect(&m_, &Macchina::revisioneCambiata, this, [this] { update(); });
    connect(&Eco::di(m_), &Eco::mosso, this, [this] { update(); });
    conAiuto(this, m_, [this] {
        return lingua(m_, "Click to select. Click again to turn the band on or off.",
                      "Un click la sceglie. Un altro click su quella gia' scelta la accende o "
                      "la spegne.");
    });
}

void BottoneBanda::mettiScelto(bool si) {
    scelto_ = si;
    update();
}

void BottoneBanda::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool acceso = m_.valore(chiave("m_bon", i_ + 1)) > 0.5;
    QColor c = tema::banda(i_);
    if (!acceso) c = tema::alfa(c, 0.35);
    p.setPen(QPen(scelto_ ? c : tema::bordo(), scelto_ ? 2 : 1));
    p.setBrush(scelto_ ? tema::alfa(c, 0.18) : tema::alzato());
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    p.setPen(c);
    p.setFont(tema::carattere(12, true, QFont::Bold));
    p.drawText(QRect(0, 2, width(), 22), Qt::AlignCenter, QString::number(i_ + 1));
    p.setFont(tema::carattere(8, true));
    p.drawText(QRect(0, 22, width(), 14), Qt::AlignCenter, QString::asprintf("%+.1f", gain_));
}

void BottoneBanda::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit premuto(i_);
}

// ---- One band's controls ----

BandaEsplosa::BandaEsplosa(int banda, Macchina& m, StatoCatena& stato, QWidget* genitore)
    : QWidget(genitore), i_(banda), m_(m) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(6);
    auto* testa = new QHBoxLayout;
    etichetta_ = testo({}, tema::carattere(11, true, QFont::Bold), tema::banda(i_), this);
    acceso_ = new QPushButton(this);
    acceso_->setObjectName(QStringLiteral("bandaAccesa"));
    acceso_->setCursor(Qt::PointingHandCursor);
    acceso_->setFont(tema::carattere(8.5, true, QFont::Bold));
    connect(acceso_, &QPushButton::clicked, this, [this] {
        const std::string k = chiave("m_bon", i_ + 1);
        m_.sincronizza(k, m_.valore(k) > 0.5 ? 0.0 : 1.0);
        emit Eco::di(m_).mosso(QString::fromStdString(k));
        rifai();
    });
    conAiuto(acceso_, m_, [this] {
        return lingua(m_, "Turns this band on or off.",
                      "Accende o spegne questa banda. Spenta, il suono di questa fetta passa "
                      "senza essere toccato.");
    });
    testa->addWidget(etichetta_);
    testa->addWidget(acceso_);
    testa->addStretch(1);
    l->addLayout(testa);
    gruppo_ = new GruppoComandi(
        m_, stato, "BANDA " + std::to_string(i_ + 1), {}, {}, tema::banda(i_), [] { return true; },
        this);
    l->addWidget(gruppo_);
    connect(&m_, &Macchina::revisioneCambiata, this, &BandaEsplosa::rifai);
    connect(&m_, &Macchina::italianoCambiato, this, &BandaEsplosa::rifai);
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.startsWith(QLatin1String("m_xo")) || k.startsWith(QLatin1String("m_bon")) ||
            k == QLatin1String("m_hpf"))
            rifai();
    });
    rifai();
}

void BandaEsplosa::mettiBanda(int banda) {
    i_ = banda;
    gruppo_->mettiSezione("BANDA " + std::to_string(i_ + 1));
    rifai();
}

void BandaEsplosa::rifai() {
    const QColor c = tema::banda(i_);
    etichetta_->setText(QStringLiteral("%1 · %2 Hz").arg(i_ + 1).arg(m_.etichettaBanda(i_)));
    etichetta_->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(c.name()));
    const bool acceso = m_.valore(chiave("m_bon", i_ + 1)) > 0.5;
    acceso_->setText(acceso ? lingua(m_, "ON", "ACCESA") : lingua(m_, "OFF", "SPENTA"));
    acceso_->setStyleSheet(
        QStringLiteral("QPushButton{color:%1;background:%2;border:1px solid %3;"
                       "border-radius:4px;padding:2px 10px;}")
            .arg(acceso ? tema::inchio().name() : tema::tenue().name(),
                 acceso ? tema::alfa(c, 0.3).name(QColor::HexArgb) : tema::gola().name(),
                 acceso ? c.name() : tema::bordo().name()));
}

// ---- Five-band overview ----

Banco::Banco(Macchina& m, StatoCatena& stato, QWidget* genitore) : QWidget(genitore), m_(m) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(8);
    l->addWidget(new CurveBande(m_, this));
    l->addWidget(new RigaIncroci(m_, this));
    auto* bottoni = new QHBoxLayout;
    bottoni->setSpacing(6);
    for (int i = 0; i < 5; ++i) {
        auto* b = new BottoneBanda(i, m_, this);
        bottoni_[static_cast<std::size_t>(i)] = b;
        connect(b, &BottoneBanda::premuto, this, &Banco::clic);
        bottoni->addWidget(b);
    }
    bottoni->addStretch(1);
    l->addLayout(bottoni);

    dettaglio_ = new QWidget(this);
    auto* d = new QHBoxLayout(dettaglio_);
    d->setContentsMargins(0, 0, 0, 0);
    d->setSpacing(12);
    auto* sinistra = new QVBoxLayout;
    sinistra->setSpacing(3);
    curva_ = new CurvaBanda(scelta_, m_, dettaglio_);
    sinistra->addWidget(curva_);
    sinistra->addWidget(testoBilingue(m_, "in → out", "quanto entra → quanto esce",
                                      tema::carattere(9), tema::tenue(), dettaglio_));
    sinistra->addWidget(testoBilingue(m_, "dim = in · coloured = out",
                                      "smorta = entra · colorata = esce", tema::carattere(8),
                                      tema::tenue(), dettaglio_));
    guadagno_ = testo({}, tema::carattere(10, true, QFont::Bold), tema::inchio(), dettaglio_);
    sinistra->addWidget(guadagno_);
    sinistra->addStretch(1);
    d->addLayout(sinistra);
    metro_ = new MetroBanda(scelta_, m_, dettaglio_);
    metro_->setFixedSize(34, 230);
    d->addWidget(metro_, 0, Qt::AlignTop);
    esplosa_ = new BandaEsplosa(scelta_, m_, stato, dettaglio_);
    d->addWidget(esplosa_, 1);
    l->addWidget(dettaglio_);

    const auto guadagno = [this] {
        guadagno_->setText(QString::asprintf(
            "%+.1f dB", static_cast<double>(m_.misure().bande[static_cast<std::size_t>(scelta_)])));
    };
    guadagno();
    connect(&m_.misure(), &Misure::giroCambiato, guadagno_, guadagno);
    bottoni_[0]->mettiScelto(true);
}

void Banco::clic(int i) {
    if (i < 0 || i > 4) return;
    if (i != scelta_) {
        bottoni_[static_cast<std::size_t>(scelta_)]->mettiScelto(false);
        scelta_ = i;
        bottoni_[static_cast<std::size_t>(scelta_)]->mettiScelto(true);
        curva_->mettiBanda(i);
        auto* nuovo = new MetroBanda(i, m_, dettaglio_);
        nuovo->setFixedSize(34, 230);
        dettaglio_->layout()->replaceWidget(metro_, nuovo);
        metro_->deleteLater();
        metro_ = nuovo;
        esplosa_->mettiBanda(i);
        guadagno_->setText(QString::asprintf(
            "%+.1f dB", static_cast<double>(m_.misure().bande[static_cast<std::size_t>(i)])));
        return;
    }
    const std::string k = chiave("m_bon", i + 1);
    m_.sincronizza(k, m_.valore(k) > 0.5 ? 0.0 : 1.0);
    emit Eco::di(m_).mosso(QString::fromStdString(k));
}

}  // namespace velmora
