#include "comandi.h"

#include <QEnterEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "macchina.h"
#include "regole.h"
#include "tema.h"

namespace velmora {

QString lingua(const Macchina& m, const char* en, const char* it) {
    return QString::fromUtf8(m.italiano() ? it : en);
}

QString parolaAcceso(bool acceso, bool) {
    // The switches read the same in both languages.
    return acceso ? QStringLiteral("ACCESO") : QStringLiteral("SPENTO");
}

Eco& Eco::di(Macchina& m) {
    if (auto* e = m.findChild<Eco*>(QString(), Qt::FindDirectChildrenOnly)) return *e;
    return *new Eco(&m);
}

namespace {

class FiltroAiuto : public QObject {
  public:
    FiltroAiuto(QObject* genitore, Macchina& m, std::function<QString()> testo)
        : QObject(genitore), m_(m), testo_(std::move(testo)) {}

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Enter) {
            messo_ = testo_();
            m_.mettiSuggerimento(messo_);
        } else if (e->type() == QEvent::Leave || e->type() == QEvent::Hide) {
            if (!messo_.isEmpty() && m_.suggerimento() == messo_) m_.mettiSuggerimento({});
            messo_.clear();
        }
        return QObject::eventFilter(o, e);
    }

  private:
    Macchina& m_;
    std::function<QString()> testo_;
    QString messo_;
};

// The switch drawn as a small lit or dark button.
void disegnaBottone(QPainter& p, const QRectF& r, bool acceso, const QColor& colore,
                    const QString& testo) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(acceso ? colore : tema::bordo(), 1));
    p.setBrush(acceso ? tema::alfa(colore, 0.28) : tema::gola());
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(acceso ? tema::inchio() : tema::tenue());
    p.setFont(tema::carattere(8.5, true, QFont::Bold));
    p.drawText(r, Qt::AlignCenter, testo);
}

}  // namespace

void conAiuto(QWidget* w, Macchina& m, std::function<QString()> testo) {
    w->setAttribute(Qt::WA_Hover);
    w->installEventFilter(new FiltroAiuto(w, m, std::move(testo)));
}

// ---- VistaComando ----

VistaComando::VistaComando(const Comando& c, Macchina& m, QWidget* genitore)
    : QWidget(genitore), c_(c), m_(m) {
    v_ = m_.valore(c_.id);
    connect(&m_, &Macchina::revisioneCambiata, this, &VistaComando::rileggi);
    // Relevance marks follow the values of other controls and the language.
    // A value moved by another view (a curve, a meter, another widget of the same key) is
    // read again; any other move may change the relevance mark.
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.toStdString() == c_.id)
            rileggi();
        else
            update();
    });
    connect(&m_, &Macchina::italianoCambiato, this, [this] { update(); });
    setAttribute(Qt::WA_Hover);
}

void VistaComando::rileggi() {
    const double nuovo = m_.valore(c_.id);
    v_ = nuovo;  // reading only: nothing is written back
    update();
}

QString VistaComando::nome() const {
    return qs(c_.nomeIn(m_.italiano()));
}

QString VistaComando::testoAiuto() const {
    return nome() + QStringLiteral(" — ") + qs(fumetto(c_, m_.italiano(), m_));
}

void VistaComando::scrivi(double grezzo) {
    const double nuovo = muovi(c_, grezzo);
    if (std::abs(nuovo - v_) <= 1e-9) return;
    v_ = nuovo;
    m_.imposta(c_.id, nuovo);
    update();
    emit Eco::di(m_).mosso(QString::fromStdString(c_.id));
}

void VistaComando::preparaNome(QPainter& p, QFont f) const {
    if (scavalcato(c_.id, m_)) {
        f.setStrikeOut(true);
        p.setPen(tema::alfa(tema::tenue(), 0.45));
    } else if (notaCheConta(c_.id)) {
        p.setPen(tema::rosso());
    } else {
        p.setPen(tema::tenue());
    }
    p.setFont(f);
}

void VistaComando::enterEvent(QEnterEvent* e) {
    m_.mettiSuggerimento(testoAiuto());
    QWidget::enterEvent(e);
}

void VistaComando::leaveEvent(QEvent* e) {
    if (suggerimentoDi(m_.suggerimento().toStdString(), nome().toStdString()))
        m_.mettiSuggerimento({});
    QWidget::leaveEvent(e);
}

bool VistaComando::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* h = static_cast<QHelpEvent*>(e);
        const QString t = qs(fumetto(c_, m_.italiano(), m_));
        if (t.trimmed().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), t, this);
        return true;
    }
    return QWidget::event(e);
}

// ---- CursoreVerticale ----

CursoreVerticale::CursoreVerticale(const Comando& c, Macchina& m, QColor colore, int altezza,
                                   int larghezza, QWidget* genitore)
    : VistaComando(c, m, genitore), colore_(colore), altezza_(altezza), larghezza_(larghezza) {
    setFixedSize(larghezza_, altezza_);
    setCursor(c_.interruttore() ? Qt::PointingHandCursor : Qt::SizeVerCursor);
}

QSize CursoreVerticale::sizeHint() const {
    return {larghezza_, altezza_};
}

QRect CursoreVerticale::gola() const {
    return {width() / 2 - 7, 39, 14, std::max(height() - 39 - 18, 12)};
}

double CursoreVerticale::valoreA(const Comando& c, double y, double h) {
    double t = y - 6;
    if (h - 12 >= 1) t /= (h - 12);
    t = 1 - std::clamp(t, 0.0, 1.0);
    double v = c.min + t * (c.max - c.min);
    if (c.passo > 0) v = arrotondaAlPasso(v, c.passo);
    return std::clamp(v, c.min, c.max);
}

QString CursoreVerticale::etichetta(const Comando& c, double v, bool italiano) {
    if (c.interruttore()) return parolaAcceso(v > 0.5, italiano);
    const QString unita = qs(c.unita);
    if (c.unita == " ms" && v >= 1000) return QString::asprintf("%.2fs", v / 1000);
    if (c.unita == " Hz" && v >= 1000) return QString::asprintf("%.1fk", v / 1000);
    if (std::abs(v) >= 100) return QString::asprintf("%.0f", v) + unita;
    QString s = QString::asprintf("%.1f", v);
    if (s == QLatin1String("-0.0")) s = QStringLiteral("0.0");
    return s + unita;
}

void CursoreVerticale::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool it = m_.italiano();
    // Name, up to two lines.
    preparaNome(p, tema::carattere(7.5));
    p.drawText(QRect(0, 0, width(), 36), Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap,
               nome());
    const QRect g = gola();
    if (c_.interruttore()) {
        const bool acceso = v_ > 0.5;
        const QRectF b(2, g.center().y() - 12, width() - 4, 24);
        disegnaBottone(p, b, acceso, colore_, parolaAcceso(acceso, it));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(tema::gola());
    p.drawRoundedRect(g, 4, 4);
    const double t = c_.max > c_.min ? std::clamp((v_ - c_.min) / (c_.max - c_.min), 0.0, 1.0) : 0;
    const double yv = g.bottom() - 6 - t * (g.height() - 12);
    // Fill from zero when the range crosses it, else from the bottom.
    double y0 = g.bottom();
    if (c_.min < 0 && c_.max > 0)
        y0 = g.bottom() - 6 - (-c_.min) / (c_.max - c_.min) * (g.height() - 12);
    p.setBrush(tema::alfa(colore_, 0.55));
    p.drawRect(QRectF(g.left() + 3, std::min(y0, yv), g.width() - 6, std::abs(y0 - yv)));
    p.setBrush(sotto() ? tema::inchio() : colore_);
    p.drawRoundedRect(QRectF(g.left() - 3, yv - 3, g.width() + 6, 6), 2, 2);
    p.setPen(tema::inchio());
    p.setFont(tema::carattere(8.5, true));
    p.drawText(QRect(0, height() - 16, width(), 16), Qt::AlignCenter, etichetta(c_, v_, it));
}

bool CursoreVerticale::sotto() const {
    return underMouse() || preso_;
}

void CursoreVerticale::trascina(double y) {
    const QRect g = gola();
    const double nuovo = valoreA(c_, y - g.top(), g.height());
    if (std::abs(nuovo - v_) > 1e-9) scrivi(nuovo);
}

void CursoreVerticale::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (c_.interruttore()) {
        scrivi(v_ > 0.5 ? 0 : 1);
        return;
    }
    preso_ = true;
    trascina(e->position().y());
}

void CursoreVerticale::mouseMoveEvent(QMouseEvent* e) {
    if (preso_) trascina(e->position().y());
}

void CursoreVerticale::mouseReleaseEvent(QMouseEvent*) {
    preso_ = false;
    update();
}

// ---- Numero ----

Numero::Numero(const Comando& c, Macchina& m, QString formato, QColor colore, QWidget* genitore)
    : VistaComando(c, m, genitore), formato_(std::move(formato)), colore_(colore) {
    setCursor(Qt::SizeVerCursor);
    setMinimumSize(sizeHint());
}

QSize Numero::sizeHint() const {
    return {64, 22};
}

QString Numero::testo() const {
    QString s = QString::asprintf(formato_.toLatin1().constData(), v_);
    if (s.startsWith(QLatin1String("-0")) &&
        !s.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        s.remove(0, 1);
    return s;
}

void Numero::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(partenza_ || underMouse() ? colore_ : tema::bordo(), 1));
    p.setBrush(tema::gola());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(scavalcato(c_.id, m_) ? tema::alfa(tema::tenue(), 0.5) : tema::inchio());
    p.setFont(tema::carattere(10, true, QFont::DemiBold));
    p.drawText(rect(), Qt::AlignCenter, testo());
}

void Numero::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    partenza_ = v_;
    yInizio_ = e->globalPosition().y();
    update();
}

void Numero::mouseMoveEvent(QMouseEvent* e) {
    if (!partenza_) return;
    const double spostamento = e->globalPosition().y() - yInizio_;
    // Whatever the step, the new value is settled from the value the drag started from.
    const double nuovo = muovi(c_, trascinaNumero(c_, *partenza_, spostamento));
    if (std::abs(nuovo - v_) > 1e-9) scrivi(nuovo);
}

void Numero::mouseReleaseEvent(QMouseEvent*) {
    partenza_.reset();
    update();
}

// ---- Interruttore ----

Interruttore::Interruttore(Macchina& m, std::function<QString()> nome, std::function<bool()> leggi,
                           std::function<void(bool)> scrivi, std::function<QString()> spiega,
                           QColor colore, QWidget* genitore)
    : QWidget(genitore),
      m_(m),
      nome_(std::move(nome)),
      leggi_(std::move(leggi)),
      scrivi_(std::move(scrivi)),
      colore_(colore) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    conAiuto(this, m_, [this, spiega = std::move(spiega)] {
        const QString s = spiega();
        const QString n = nome_();
        return n.isEmpty() ? s : n + QStringLiteral(" — ") + s;
    });
    connect(&m_, &Macchina::italianoCambiato, this, [this] {
        setFixedSize(sizeHint());
        update();
    });
}

QSize Interruttore::sizeHint() const {
    const QFontMetrics fm(tema::carattere(9, false, QFont::DemiBold));
    return {fm.horizontalAdvance(nome_()) + 52, 20};
}

void Interruttore::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool acceso = leggi_();
    const QRectF pista(0.5, 3.5, 32, 14);
    p.setPen(QPen(acceso ? colore_ : tema::bordo(), 1));
    p.setBrush(acceso ? tema::alfa(colore_, 0.6) : tema::gola());
    p.drawRoundedRect(pista, 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(acceso ? tema::inchio() : tema::tenue());
    p.drawEllipse(QPointF(acceso ? pista.right() - 7 : pista.left() + 7, pista.center().y()), 5.5,
                  5.5);
    p.setPen(acceso ? tema::inchio() : tema::tenue());
    p.setFont(tema::carattere(9, false, QFont::DemiBold));
    p.drawText(QRect(40, 0, width() - 40, height()), Qt::AlignVCenter | Qt::AlignLeft, nome_());
}

void Interruttore::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint())) return;
    scrivi_(!leggi_());
    update();
}

}  // namespace velmora
