#include "pannello.h"

#include <QEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "comandi.h"
#include "macchina.h"
#include "metri.h"
#include "sentinella.h"
#include "tema.h"

namespace velmora {

namespace {

QLabel* testo(const QString& t, const QFont& f, const QColor& c, QWidget* genitore) {
    auto* l = new QLabel(t, genitore);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(c.name()));
    return l;
}

QColor coloreDi(ColoreTema c) {
    return c == ColoreTema::Verde ? tema::verde() : tema::blu();
}

}  // namespace

// ---- VistaOstrel ----

VistaOstrel::VistaOstrel(const ComandoOstrel& k, Macchina& m, QWidget* genitore)
    : QWidget(genitore), logica_(k, m), m_(m) {
    setFixedSize(sizeHint());
    setCursor(Qt::SizeVerCursor);
    setAttribute(Qt::WA_Hover);
    for (auto segnale :
         {&Macchina::accAgcCambiato, &Macchina::accMbCambiato, &Macchina::italianoCambiato})
        connect(&m_, segnale, this, [this] { update(); });
    connect(&m_, &Macchina::revisioneCambiata, this, [this] { update(); });
    connect(&Eco::di(m_), &Eco::mosso, this, [this] { update(); });
}

QRect VistaOstrel::barra() const {
    return {width() / 2 - 9, 22, 18, 118};
}

void VistaOstrel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const ComandoOstrel& k = logica_.comando();
    const bool viva = logica_.viva();
    const double v = logica_.posizione();
    const bool verde = logica_.nelVerde();
    p.setOpacity(viva ? 1.0 : 0.45);
    p.setPen(tema::inchio());
    p.setFont(tema::carattere(9, false, QFont::DemiBold));
    p.drawText(QRect(0, 0, width(), 18), Qt::AlignCenter, qs(k.nome));
    const QRect b = barra();
    const auto yDi = [&](double x) {
        const double t = (x - k.min) / (k.max - k.min);
        return b.bottom() - 7 - t * (b.height() - 14);
    };
    p.setPen(Qt::NoPen);
    p.setBrush(tema::gola());
    p.drawRoundedRect(b, 5, 5);
    // The recommended range.
    p.setBrush(tema::alfa(tema::verde(), 0.35));
    const double ya = yDi(k.a), yd = yDi(k.da);
    p.drawRect(QRectF(b.left() + 2, ya, b.width() - 4, yd - ya));
    const double yv = yDi(v);
    p.setBrush(verde ? tema::verde() : tema::giallo());
    p.drawRoundedRect(QRectF(b.left() - 4, yv - 4, b.width() + 8, 8), 3, 3);
    p.setPen(verde ? tema::verde() : tema::giallo());
    p.setFont(tema::carattere(10, true, QFont::Bold));
    p.drawText(QRect(0, b.bottom() + 4, width(), 16), Qt::AlignCenter, logica_.testoValore());
    p.setPen(viva ? tema::tenue() : tema::rosso());
    p.setFont(tema::carattere(7.5));
    p.drawText(QRect(2, b.bottom() + 21, width() - 4, height() - b.bottom() - 21),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               viva ? qs(k.consiglio) : logica_.etichetta());
}

void VistaOstrel::trascina(double y) {
    const QRect b = barra();
    if (logica_.trascina(y - b.top(), b.height())) update();
}

void VistaOstrel::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    preso_ = true;
    trascina(e->position().y());
}

void VistaOstrel::mouseMoveEvent(QMouseEvent* e) {
    if (preso_) trascina(e->position().y());
}

void VistaOstrel::mouseReleaseEvent(QMouseEvent*) {
    preso_ = false;
}

void VistaOstrel::enterEvent(QEnterEvent* e) {
    if (logica_.viva())
        logica_.entra();
    else  // why moving it now changes nothing
        m_.mettiSuggerimento(qs(logica_.comando().nome) + QStringLiteral(" — ") + logica_.aiuto());
    QWidget::enterEvent(e);
}

void VistaOstrel::leaveEvent(QEvent* e) {
    logica_.esce();
    QWidget::leaveEvent(e);
}

// ---- VistaSentinella ----

VistaSentinella::VistaSentinella(Macchina& m, QWidget* genitore)
    : QWidget(genitore), m_(m), s_(new Sentinella(m, this)) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(5);
    titolo_ = testo({}, tema::spaziato(9.5, QFont::Bold), tema::inchio(), this);
    titolo_->setWordWrap(true);
    testo_ = testo({}, tema::carattere(9.5), tema::tenue(), this);
    testo_->setWordWrap(true);
    auto* riga = new QHBoxLayout;
    trova_ = new QPushButton(this);
    trova_->setObjectName(QStringLiteral("trovaLivello"));
    trova_->setCursor(Qt::PointingHandCursor);
    connect(trova_, &QPushButton::clicked, this, [this] {
        s_->trovaLivello();
        rifai();
    });
    pre_ = testo({}, tema::carattere(9, true), tema::tenue(), this);
    riga->addWidget(trova_);
    riga->addWidget(pre_);
    riga->addStretch(1);
    l->addWidget(titolo_);
    l->addWidget(testo_);
    l->addLayout(riga);
    l->addStretch(1);
    connect(s_, &Sentinella::cambiata, this, &VistaSentinella::rifai);
    connect(&m_, &Macchina::italianoCambiato, this, &VistaSentinella::rifai);
    connect(&m_, &Macchina::revisioneCambiata, this, &VistaSentinella::rifai);
    connect(&m_, &Macchina::accesaCambiata, this, &VistaSentinella::rifai);
    connect(&m_, &Macchina::accMbCambiato, this, &VistaSentinella::rifai);
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k == QLatin1String("g_pre")) rifai();
    });
    rifai();
}

void VistaSentinella::rifai() {
    const Sentinella::Contenuto c = s_->contenuto();
    const QString t = c.titolo.toUpper();
    if (titolo_->text() != t) titolo_->setText(t);
    // A style sheet costs a re-polish: set it only when the colour changes.
    const QString stile = QStringLiteral("color:%1;background:transparent;")
                              .arg((c.tuttoBene ? tema::verde() : tema::giallo()).name());
    if (titolo_->styleSheet() != stile) titolo_->setStyleSheet(stile);
    if (testo_->text() != c.testo) testo_->setText(c.testo);
    testo_->setVisible(!c.testo.isEmpty());
    trova_->setText(s_->etichettaTrova());
    const QString pre = s_->rigaPreamplificazione();
    if (pre_->text() != pre) pre_->setText(pre);
}

// ---- PannelloOstrel ----

PannelloOstrel::PannelloOstrel(Macchina& m, QWidget* genitore) : QWidget(genitore) {
    setObjectName(QStringLiteral("pannelloOstrel"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QWidget#pannelloOstrel{background:%1;border:1px solid %2;"
                                 "border-radius:8px;}")
                      .arg(tema::alzato().name(), tema::bordo().name()));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(14, 10, 14, 12);
    l->setSpacing(8);
    auto* spiega = testo({}, tema::carattere(9.5), tema::tenue(), this);
    spiega->setWordWrap(true);
    const auto rifai = [spiega, &m] {
        spiega->setText(qs(m.italiano() ? SPIEGA_PANNELLO_IT : SPIEGA_PANNELLO_EN));
    };
    rifai();
    connect(&m, &Macchina::italianoCambiato, spiega, rifai);
    l->addWidget(spiega);

    auto* riga = new QHBoxLayout;
    riga->setSpacing(18);
    for (const GruppoOstrel& g : GRUPPI_OSTREL) {
        auto* col = new QVBoxLayout;
        col->setSpacing(4);
        auto* testa = testo({}, tema::spaziato(9, QFont::Bold), coloreDi(g.colore), this);
        const auto nome = [testa, &m, &g] { testa->setText(qs(m.italiano() ? g.nome : g.nomeEn)); };
        nome();
        connect(&m, &Macchina::italianoCambiato, testa, nome);
        col->addWidget(testa);
        auto* manopole = new QHBoxLayout;
        manopole->setSpacing(4);
        for (std::string_view id : g.voci)
            if (const ComandoOstrel* k = trovaOstrel(id))
                manopole->addWidget(new VistaOstrel(*k, m, this));
        col->addLayout(manopole);
        riga->addLayout(col);
    }
    riga->addStretch(1);
    l->addLayout(riga);
    // Gain reduction: the band bars and the advisor beside them.
    auto* rid = new QVBoxLayout;
    rid->setSpacing(4);
    auto* testaRid = testo({}, tema::spaziato(9, QFont::Bold), tema::rosso(), this);
    const auto nomeRid = [testaRid, &m] {
        testaRid->setText(qs(m.italiano() ? RIDUZIONE_IT : RIDUZIONE_EN));
    };
    nomeRid();
    connect(&m, &Macchina::italianoCambiato, testaRid, nomeRid);
    rid->addWidget(testaRid);
    auto* barreESentinella = new QHBoxLayout;
    barreESentinella->setSpacing(14);
    auto* barre = new QVBoxLayout;
    barre->addWidget(new MetriRiduzione(m, this));
    auto* vero = testo({}, tema::carattere(8), tema::giallo(), this);
    const auto nomeVero = [vero, &m] {
        vero->setText(lingua(m, "— the real Tervane", "— l'Tervane vero"));
    };
    nomeVero();
    connect(&m, &Macchina::italianoCambiato, vero, nomeVero);
    barre->addWidget(vero);
    barre->addStretch(1);
    barreESentinella->addLayout(barre);
    auto* sentinella = new VistaSentinella(m, this);
    sentinella->setMinimumWidth(260);
    barreESentinella->addWidget(sentinella, 1);
    rid->addLayout(barreESentinella);
    l->addLayout(rid);
}

}  // namespace velmora
