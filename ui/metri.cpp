#include "metri.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "comandi.h"
#include "macchina.h"
#include "tema.h"

namespace velmora {

namespace {

double ora() {
    static QElapsedTimer t = [] {
        QElapsedTimer x;
        x.start();
        return x;
    }();
    return static_cast<double>(t.nsecsElapsed()) * 1e-9;
}

}  // namespace

// ---- Metro ----

Metro::Metro(const QString& nome, bool ingresso, Macchina& m, QWidget* genitore)
    : QWidget(genitore), nome_(nome), ingresso_(ingresso), m_(m) {
    setMinimumWidth(78);
    setMaximumWidth(78);
    mostrati_ = ingresso_ ? m_.misure().metroIn : m_.misure().metroOut;
    differenza_ = ingresso_ ? 0 : m_.misure().differenza;
    connect(&m_.misure(), &Misure::giroCambiato, this, &Metro::suGiro);
    if (!ingresso_)
        conAiuto(this, m_, [] {
            return QStringLiteral(
                "Di quanto la catena ha alzato o abbassato il volume percepito. Per giudicare "
                "acceso contro spento questo deve stare vicino a zero.");
        });
}

double Metro::frazione(double livello) {
    return std::clamp((livello - BASSO) / (ALTO - BASSO), 0.0, 1.0);
}

void Metro::suGiro() {
    const Misure& mis = m_.misure();
    const auto& nuovi = ingresso_ ? mis.metroIn : mis.metroOut;
    const double diff = ingresso_ ? 0 : mis.differenza;
    if (nuovi == mostrati_ && diff == differenza_) return;
    mostrati_ = nuovi;
    differenza_ = diff;
    update();
}

void Metro::paintEvent(QPaintEvent*) {
    ++ridisegni_;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), tema::pannello());
    p.setPen(tema::inchio());
    p.setFont(tema::spaziato(9, QFont::Bold));
    p.drawText(QRect(0, 4, width(), 16), Qt::AlignCenter, nome_);
    const int alto = 26, basso = height() - (ingresso_ ? 30 : 52);
    const int h = std::max(basso - alto, 10);
    const int larga = 14;
    const int x0 = 30;
    QLinearGradient g(0, alto + h, 0, alto);
    g.setColorAt(0, tema::verde());
    g.setColorAt(0.62, tema::verde());
    g.setColorAt(0.8, tema::giallo());
    g.setColorAt(1, tema::rosso());
    for (int ch = 0; ch < 2; ++ch) {
        const QRectF col(x0 + ch * (larga + 4), alto, larga, h);
        p.setPen(Qt::NoPen);
        p.setBrush(tema::gola());
        p.drawRect(col);
        const double f = frazione(mostrati_[static_cast<std::size_t>(ch)]);
        if (f > 0) {
            p.setBrush(g);
            p.drawRect(QRectF(col.left(), col.bottom() - f * h, larga, f * h));
        }
        const double fp = frazione(mostrati_[static_cast<std::size_t>(ch + 2)]);
        if (fp > 0) {
            p.setBrush(tema::inchio());
            p.drawRect(QRectF(col.left(), col.bottom() - fp * h - 1, larga, 2));
        }
    }
    // Ticks.
    p.setFont(tema::carattere(7.5, true));
    for (double t : {0.0, -6.0, -12.0, -20.0, -30.0, -40.0, -50.0, -60.0}) {
        const double y = alto + h - frazione(t) * h;
        p.setPen(tema::bordo());
        p.drawLine(QPointF(x0 - 4, y), QPointF(x0 - 1, y));
        p.setPen(tema::tenue());
        p.drawText(QRectF(0, y - 6, x0 - 5, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(static_cast<int>(t)));
    }
    const double picco = std::max(mostrati_[2], mostrati_[3]);
    p.setPen(tema::tenue());
    p.setFont(tema::carattere(8, true));
    p.drawText(QRect(0, basso + 4, width(), 12), Qt::AlignCenter, QStringLiteral("picco"));
    p.setPen(picco > -0.5 ? tema::rosso() : tema::inchio());
    p.drawText(QRect(0, basso + 16, width(), 12), Qt::AlignCenter,
               picco <= -99.5 ? QStringLiteral("—") : QString::asprintf("%.1f", picco));
    if (!ingresso_) {
        p.setPen(std::abs(differenza_) > 1.5 ? tema::giallo() : tema::verde());
        p.setFont(tema::carattere(9, true, QFont::Bold));
        p.drawText(QRect(0, basso + 30, width(), 14), Qt::AlignCenter,
                   QString::asprintf("%+.1f dB", differenza_));
    }
}

// ---- BarraRiduzione ----

BarraRiduzione::BarraRiduzione(QString nome, QColor colore, bool doppia, std::optional<double> rif,
                               Macchina& m, QWidget* genitore)
    : QWidget(genitore),
      nome_(std::move(nome)),
      colore_(colore),
      doppia_(doppia),
      rif_(rif),
      m_(m) {
    setFixedSize(rif_ ? 44 : 30, 92 + 28);
}

void BarraRiduzione::mettiColore(QColor c) {
    if (c == colore_) return;
    colore_ = c;
    update();
}

void BarraRiduzione::mettiDB(double dB, std::optional<double> adesso) {
    const double t = adesso ? *adesso : ora();
    const double prima = dB_, piccoPrima = picco_;
    dB_ = dB;
    if (dB < picco_) {
        picco_ = dB;
        quando_ = t;
    } else if (t - quando_ > 1.5) {
        picco_ += 0.25 * (dB - picco_);
    }
    if (std::abs(y(prima) - y(dB_)) >= 0.5 || std::abs(y(piccoPrima) - y(picco_)) >= 0.5) update();
}

double BarraRiduzione::y(double dB) const {
    // The bar runs from 0 dB at the top (or +12 with room for lifts) down to FONDO.
    const double alto = doppia_ ? 12 : 0;
    const double f = (alto - std::clamp(dB, FONDO, alto)) / (alto - FONDO);
    return 14 + f * 92;
}

void BarraRiduzione::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF col(4, 14, 18, 92);
    p.setPen(Qt::NoPen);
    p.setBrush(tema::gola());
    p.drawRect(col);
    const double y0 = y(0), yv = y(dB_);
    p.setBrush(tema::alfa(colore_, 0.85));
    p.drawRect(QRectF(col.left(), std::min(y0, yv), col.width(), std::abs(yv - y0)));
    if (doppia_) {
        p.setPen(QPen(tema::bordo(), 1));
        p.drawLine(QPointF(col.left(), y0), QPointF(col.right(), y0));
    }
    p.setPen(QPen(tema::inchio(), 1.5));
    const double yp = y(picco_);
    p.drawLine(QPointF(col.left(), yp), QPointF(col.right(), yp));
    if (rif_) {
        const double yr = y(*rif_);
        p.setPen(QPen(tema::giallo(), 2));
        p.drawLine(QPointF(col.left() - 2, yr), QPointF(col.right() + 2, yr));
    }
    p.setPen(colore_);
    p.setFont(tema::carattere(8, true, QFont::Bold));
    p.drawText(QRectF(0, 0, col.right() + 4, 13), Qt::AlignCenter, nome_);
    p.setPen(tema::inchio());
    p.setFont(tema::carattere(7.5, true));
    p.drawText(QRectF(0, col.bottom() + 2, col.right() + 4, 12), Qt::AlignCenter,
               QString::asprintf("%.1f", dB_));
}

// ---- MetriRiduzione ----

MetriRiduzione::MetriRiduzione(Macchina& m, QWidget* genitore) : QWidget(genitore), m_(m) {
    auto* riga = new QHBoxLayout(this);
    riga->setContentsMargins(0, 0, 0, 0);
    riga->setSpacing(4);
    for (int i = 0; i < 5; ++i) {
        barre_[static_cast<std::size_t>(i)] =
            new BarraRiduzione(QString::number(i + 1), tema::banda(i), true,
                               -TERVANE[static_cast<std::size_t>(i)], m_, this);
        riga->addWidget(barre_[static_cast<std::size_t>(i)]);
    }
    barre_[5] =
        new BarraRiduzione(QStringLiteral("CLIP"), tema::verde(), false, std::nullopt, m_, this);
    riga->addWidget(barre_[5]);
    auto* didascalia = new QWidget(this);
    riga->addWidget(didascalia);
    riga->addStretch(1);
    connect(&m_.misure(), &Misure::giroCambiato, this, &MetriRiduzione::suGiro);
    suGiro();
}

void MetriRiduzione::suGiro() {
    const Misure& mis = m_.misure();
    for (std::size_t i = 0; i < 5; ++i) barre_[i]->mettiDB(mis.bande[i]);
    const double clip = std::clamp(static_cast<double>(std::abs(mis.tosatura)), 0.0, 24.0);
    barre_[5]->mettiColore(clip > 1.0 ? tema::rosso() : tema::verde());
    barre_[5]->mettiDB(-clip);
}

// ---- MetroBanda ----

MetroBanda::MetroBanda(int banda, Macchina& m, QWidget* genitore)
    : QWidget(genitore), i_(banda), m_(m) {
    setMinimumSize(34, 120);
    setCursor(Qt::SizeVerCursor);
    livello_ = m_.misure().livelli[static_cast<std::size_t>(i_)];
    connect(&m_.misure(), &Misure::giroCambiato, this, [this] {
        const float l = m_.misure().livelli[static_cast<std::size_t>(i_)];
        if (std::abs(yDi(l) - yDi(livello_)) < 0.5) return;
        livello_ = l;
        update();
    });
    connect(&m_, &Macchina::revisioneCambiata, this, [this] { update(); });
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.endsWith(QString::number(i_ + 1))) update();
    });
    conAiuto(this, m_, [this] {
        return lingua(m_, "Drag the lines: the upper one is the ceiling, the lower the gate.",
                      "Trascina le linee: quella in alto e' il tetto, quella in basso il "
                      "cancello.");
    });
}

double MetroBanda::valoreA(double y, double h) {
    double v = ALTO - (y / std::max(h, 1.0)) * (ALTO - BASSO);
    v = std::round(v * 2) / 2;
    return std::clamp(v, -70.0, 0.0);
}

double MetroBanda::yDi(double dB) const {
    return (ALTO - std::clamp(dB, BASSO, ALTO)) / (ALTO - BASSO) * height();
}

QString MetroBanda::presaA(double y) const {
    const QString n = QString::number(i_ + 1);
    const double yt = yDi(m_.valore(("m_tet" + n).toStdString()));
    const double yg = yDi(m_.valore(("m_sog" + n).toStdString()));
    return std::abs(y - yt) <= std::abs(y - yg) ? QStringLiteral("m_tet") + n
                                                : QStringLiteral("m_sog") + n;
}

void MetroBanda::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF col(8, 0, width() - 16, height());
    p.setPen(Qt::NoPen);
    p.setBrush(tema::gola());
    p.drawRect(col);
    const double yl = yDi(livello_);
    p.setBrush(tema::alfa(tema::banda(i_), 0.8));
    p.drawRect(QRectF(col.left() + 3, yl, col.width() - 6, col.bottom() - yl));
    const QString n = QString::number(i_ + 1);
    const double yt = yDi(m_.valore(("m_tet" + n).toStdString()));
    const double yg = yDi(m_.valore(("m_sog" + n).toStdString()));
    p.setPen(QPen(tema::rosso(), 2));
    p.drawLine(QPointF(0, yt), QPointF(width(), yt));
    p.setPen(QPen(tema::tenue(), 2, Qt::DashLine));
    p.drawLine(QPointF(0, yg), QPointF(width(), yg));
}

void MetroBanda::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    presa_ = presaA(e->position().y());
}

void MetroBanda::mouseMoveEvent(QMouseEvent* e) {
    if (presa_.isEmpty()) return;
    const double v = valoreA(e->position().y(), height());
    const std::string k = presa_.toStdString();
    if (std::abs(m_.valore(k) - v) < 1e-9) return;
    m_.imposta(k, v);
    emit Eco::di(m_).mosso(presa_);
    update();
}

void MetroBanda::mouseReleaseEvent(QMouseEvent*) {
    presa_.clear();
}

}  // namespace velmora
