#include "curve.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>

#include "catalogo.h"
#include "comandi.h"
#include "macchina.h"
#include "tema.h"

namespace velmora {

namespace {

constexpr double kDecadi = 3.0413926851582254;  // 20 Hz ... 22 kHz

std::string chiave(std::string_view base, int n) {
    return std::string(base) + std::to_string(n);
}

QString testoHz(double f) {
    return f >= 1000 ? QString::asprintf("%.1fk", f / 1000) : QString::asprintf("%.0f", f);
}

// Grid of the frequency plots: decades and a few levels.
void griglia(QPainter& p, double w, double h, double dbMax, const std::vector<double>& livelli) {
    p.setPen(QPen(tema::riga(), 1));
    for (double f : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
        const double x = xDiFrequenza(f, w);
        p.drawLine(QPointF(x, 0), QPointF(x, h));
    }
    for (double l : livelli) {
        const double y = yDiLivello(l, h, dbMax);
        p.setPen(QPen(l == 0 ? tema::bordo() : tema::riga(), 1));
        p.drawLine(QPointF(0, y), QPointF(w, y));
    }
    p.setPen(tema::tenue());
    p.setFont(tema::carattere(7.5, true));
    for (double f : {100.0, 1000.0, 10000.0}) {
        const double x = xDiFrequenza(f, w);
        p.drawText(QRectF(x + 2, h - 12, 40, 12), Qt::AlignLeft, testoHz(f));
    }
}

}  // namespace

double frequenzaA(double x, double larghezza) {
    return std::pow(10.0, std::log10(20.0) + (x / std::max(larghezza, 1.0)) * kDecadi);
}

double xDiFrequenza(double f, double larghezza) {
    return (std::log10(std::max(f, 1e-3)) - std::log10(20.0)) / kDecadi * std::max(larghezza, 1.0);
}

double yDiLivello(double dB, double altezza, double dbMax) {
    return altezza * (dbMax - std::clamp(dB, -dbMax, dbMax)) / (2 * dbMax);
}

// ---- Equaliser ----

ValoriEq ValoriEq::leggi(const Valori& v) {
    ValoriEq e;
    e.hp = v.valore("e_hp");
    e.hpq = v.valore("e_hpq");
    e.hpsez = v.valore("e_hpsez");
    e.lp = v.valore("e_lp");
    e.lshz = v.valore("e_lshz");
    e.lsdb = v.valore("e_lsdb");
    e.hshz = v.valore("e_hshz");
    e.hsdb = v.valore("e_hsdb");
    for (int b = 0; b < 3; ++b) {
        const auto i = static_cast<std::size_t>(b);
        e.bhz[i] = v.valore("e_b" + std::to_string(b + 1) + "hz");
        e.bdb[i] = v.valore("e_b" + std::to_string(b + 1) + "db");
        e.bq[i] = v.valore("e_b" + std::to_string(b + 1) + "q");
    }
    return e;
}

double livelloEq(double f, const ValoriEq& v) {
    double L = 0;
    if (v.hp > 20) {
        const double r = f / v.hp, q = std::max(v.hpq, 0.1), n = std::max(v.hpsez, 1.0);
        double P = std::pow(r, 4) / std::max(std::pow(1 - r * r, 2) + std::pow(r / q, 2), 1e-12);
        P = std::max(P, 1e-12);
        L += 10 * n * std::log10(P);
    }
    if (v.lp > 1000 && v.lp < 19999) {
        const double r = f / v.lp;
        const double D = std::pow(1 - r * r, 2) + std::pow(r / 0.707, 2);
        const double P = D <= 1e-12 ? 1e12 : std::max(1 / D, 1e-12);
        L += 20 * std::log10(P);
    }
    if (std::abs(v.lsdb) > 0.01) L += v.lsdb / (1 + std::pow(f / std::max(v.lshz, 20.0), 2));
    if (std::abs(v.hsdb) > 0.01) {
        const double r = f / std::max(v.hshz, 100.0);
        L += v.hsdb * r * r / (1 + r * r);
    }
    for (std::size_t b = 0; b < 3; ++b) {
        if (std::abs(v.bdb[b]) < 0.01) continue;
        const double A = std::pow(10.0, v.bdb[b] / 40), r = f / std::max(v.bhz[b], 20.0);
        const double q = std::max(v.bq[b], 0.1);
        const double N = std::pow(1 - r * r, 2) + std::pow(A * r / q, 2);
        const double D = std::max(std::pow(1 - r * r, 2) + std::pow(r / (A * q), 2), 1e-12);
        L += 10 * std::log10(std::max(N / D, 1e-12));
    }
    return L;
}

CurvaEq::CurvaEq(Macchina& m, QWidget* genitore) : QWidget(genitore), m_(m) {
    setMinimumHeight(150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(190);
    valori_ = ValoriEq::leggi(m_);
    connect(&m_, &Macchina::revisioneCambiata, this, &CurvaEq::forseRidisegna);
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.startsWith(QLatin1String("e_"))) forseRidisegna();
    });
    conAiuto(this, m_, [this] {
        return lingua(m_, "Drag a dot: sideways moves its frequency, up and down its gain.",
                      "Trascina un pallino: di lato sposta la frequenza, su e giu' il "
                      "guadagno.");
    });
}

void CurvaEq::forseRidisegna() {
    const ValoriEq v = ValoriEq::leggi(m_);
    if (v == valori_) return;
    valori_ = v;
    misura_ = {};  // the path is stale
    update();
}

void CurvaEq::ricalcola() {
    ++ricalcoli_;
    misura_ = size();
    tracciato_ = {};
    const double w = width(), h = altezzaPiano();
    if (w <= 10 || h <= 10) return;
    for (double x = 0; x <= w; x += 3) {
        const double L = std::clamp(livelloEq(frequenzaA(x, w), valori_), -DBMAX, DBMAX);
        const QPointF p(x, yDiLivello(L, h, DBMAX));
        if (tracciato_.elementCount() == 0)
            tracciato_.moveTo(p);
        else
            tracciato_.lineTo(p);
    }
}

std::optional<QPointF> CurvaEq::maniglia(int i) const {
    const Filtro& f = FILTRI[static_cast<std::size_t>(i)];
    if (!f.hz) return std::nullopt;
    const double hz = m_.valore(*f.hz);
    if (!(hz > 20 && hz < 20000)) return std::nullopt;
    const double db = f.db ? m_.valore(*f.db) : 0;
    return QPointF(xDiFrequenza(hz, width()), yDiLivello(db, altezzaPiano(), DBMAX));
}

std::optional<int> CurvaEq::presaA(QPointF p) const {
    std::optional<int> scelta;
    double meglio = 44;
    for (int i = 0; i < static_cast<int>(FILTRI.size()); ++i) {
        const auto q = maniglia(i);
        if (!q) continue;
        const double d = std::hypot(q->x() - p.x(), q->y() - p.y());
        if (d <= meglio) {
            if (scelta && d == meglio) continue;
            meglio = d;
            scelta = i;
        }
    }
    return scelta;
}

void CurvaEq::paintEvent(QPaintEvent*) {
    if (misura_ != size()) ricalcola();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), tema::pannello());
    const double w = width(), h = altezzaPiano();
    griglia(p, w, h, DBMAX, {-12, -6, 0, 6, 12});
    if (tracciato_.elementCount() > 1) {
        QPainterPath area = tracciato_;
        area.lineTo(w, yDiLivello(0, h, DBMAX));
        area.lineTo(0, yDiLivello(0, h, DBMAX));
        area.closeSubpath();
        p.fillPath(area, tema::alfa(tema::blu(), 0.15));
        p.setPen(QPen(tema::blu(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tracciato_);
    }
    p.setFont(tema::carattere(7.5, true, QFont::Bold));
    for (int i = 0; i < static_cast<int>(FILTRI.size()); ++i) {
        const auto q = maniglia(i);
        if (!q) continue;
        const Colore& c = FILTRI[static_cast<std::size_t>(i)].colore;
        const QColor col = tema::rgb(c.rosso, c.verde, c.blu);
        p.setPen(QPen(tema::inchio(), inMano_ == i ? 2 : 1));
        p.setBrush(col);
        p.drawEllipse(*q, 6, 6);
        p.setPen(col);
        p.drawText(QRectF(q->x() - 15, q->y() - 20, 30, 12), Qt::AlignCenter,
                   qs(FILTRI[static_cast<std::size_t>(i)].id));
    }
}

void CurvaEq::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) inMano_ = presaA(e->position());
    update();
}

void CurvaEq::mouseMoveEvent(QMouseEvent* e) {
    if (!inMano_) return;
    const Filtro& f = FILTRI[static_cast<std::size_t>(*inMano_)];
    const double w = width(), h = altezzaPiano();
    if (f.hz) {
        const Comando* c = trova(*f.hz);
        const double passo = c ? std::max(c->passo, 0.001) : 0.001;
        double hz = arrotondaAlPasso(frequenzaA(e->position().x(), w), passo);
        if (c) hz = std::clamp(hz, c->min, c->max);
        m_.imposta(*f.hz, hz);
        emit Eco::di(m_).mosso(qs(*f.hz));
    }
    if (f.db) {
        const Comando* c = trova(*f.db);
        const double y = std::clamp(e->position().y(), 0.0, h);
        double db = DBMAX - y / std::max(h, 1.0) * 2 * DBMAX;
        db = std::round(db * 10) / 10;
        if (c) db = std::clamp(db, c->min, c->max);
        m_.imposta(*f.db, db);
        emit Eco::di(m_).mosso(qs(*f.db));
    }
}

void CurvaEq::mouseReleaseEvent(QMouseEvent*) {
    inMano_.reset();
    update();
}

// ---- Band shapes ----

std::array<Estremi, 5> estremiBande(const Valori& v) {
    std::array<Estremi, 5> e{};
    for (int b = 0; b < 5; ++b) {
        auto& x = e[static_cast<std::size_t>(b)];
        x.lo = b == 0 ? v.valore("m_hpf") : v.valore(chiave("m_xo", b));
        x.hi = b == 4 ? 40000 : v.valore(chiave("m_xo", b + 1));
        x.gain = v.valore(chiave("m_gai", b + 1));
    }
    return e;
}

double livelloBanda(int b, double f, const std::array<Estremi, 5>& e) {
    const Estremi& x = e[static_cast<std::size_t>(b)];
    double M = 1;
    if (b > 0) {
        const double r = std::pow(f / std::max(x.lo, 1e-3), 4);
        M = r / (1 + r);
    }
    if (b < 4) M *= 1 / (1 + std::pow(f / std::max(x.hi, 1e-3), 4));
    return x.gain + 20 * std::log10(std::max(M, 1e-6));
}

CurveBande::CurveBande(Macchina& m, QWidget* genitore) : QWidget(genitore), m_(m) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(170);
    connect(&m_, &Macchina::revisioneCambiata, this, &CurveBande::forseRidisegna);
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.startsWith(QLatin1String("m_xo")) || k.startsWith(QLatin1String("m_gai")) ||
            k == QLatin1String("m_hpf"))
            forseRidisegna();
    });
    conAiuto(this, m_, [this] {
        return lingua(m_, "Drag sideways to move the nearest crossover.",
                      "Trascina di lato per spostare l'incrocio piu' vicino.");
    });
}

void CurveBande::forseRidisegna() {
    const auto e = estremiBande(m_);
    bool uguali = true;
    for (std::size_t b = 0; b < 5; ++b)
        uguali = uguali && e[b].lo == estremi_[b].lo && e[b].hi == estremi_[b].hi &&
                 e[b].gain == estremi_[b].gain;
    if (uguali && revFatta_ >= 0) return;
    revFatta_ = -1;
    update();
}

void CurveBande::ricalcola() {
    estremi_ = estremiBande(m_);
    misuraFatta_ = size();
    revFatta_ = m_.revisione();
    const double w = width(), h = height() - 14.0;
    for (int b = 0; b < 5; ++b) {
        QPainterPath t;
        for (double x = 0; x <= w + 3.9; x += 4) {
            const double xx = std::min(x, w);
            const double L =
                std::clamp(livelloBanda(b, frequenzaA(xx, w), estremi_), -DBMAX, DBMAX);
            const QPointF p(xx, yDiLivello(L, h, DBMAX));
            if (t.elementCount() == 0)
                t.moveTo(p);
            else
                t.lineTo(p);
        }
        QPainterPath r = t;
        r.lineTo(w, h);
        r.lineTo(0, h);
        r.closeSubpath();
        tracciati_[static_cast<std::size_t>(b)] = t;
        riempimenti_[static_cast<std::size_t>(b)] = r;
    }
}

int CurveBande::presaA(double x) const {
    int scelta = 0;
    double meglio = 1e18;
    for (int k = 0; k < 4; ++k) {
        const double d = std::abs(xDiFrequenza(m_.valore(chiave("m_xo", k + 1)), width()) - x);
        if (d < meglio) {
            meglio = d;
            scelta = k;
        }
    }
    return scelta;
}

void CurveBande::paintEvent(QPaintEvent*) {
    if (misuraFatta_ != size() || revFatta_ < 0) ricalcola();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), tema::pannello());
    const double w = width(), h = height() - 14.0;
    griglia(p, w, h, DBMAX, {-18, -12, -6, 0, 6, 12, 18});
    for (std::size_t b = 0; b < 5; ++b) {
        const QColor c = tema::banda(static_cast<int>(b));
        const bool acceso = m_.valore(chiave("m_bon", static_cast<int>(b) + 1)) > 0.5;
        p.fillPath(riempimenti_[b], tema::alfa(c, acceso ? 0.16 : 0.05));
        p.setPen(QPen(tema::alfa(c, acceso ? 1.0 : 0.4), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tracciati_[b]);
    }
    p.setPen(QPen(tema::alfa(tema::inchio(), 0.5), 1, Qt::DashLine));
    for (int k = 1; k <= 4; ++k) {
        const double x = xDiFrequenza(m_.valore(chiave("m_xo", k)), w);
        p.drawLine(QPointF(x, 0), QPointF(x, h));
    }
}

void CurveBande::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) presa_ = presaA(e->position().x());
}

void CurveBande::mouseMoveEvent(QMouseEvent* e) {
    if (!presa_) return;
    const std::string k = chiave("m_xo", *presa_ + 1);
    const double f = std::round(frequenzaA(e->position().x(), width()));
    const Comando* c = trova(k);
    m_.imposta(k, c ? std::clamp(f, c->min, c->max) : f);
    emit Eco::di(m_).mosso(QString::fromStdString(k));
}

void CurveBande::mouseReleaseEvent(QMouseEvent*) {
    presa_.reset();
}

// ---- Crossover strip ----

StrisciaIncroci::StrisciaIncroci(Macchina& m, QWidget* genitore) : QWidget(genitore), m_(m) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(46);
    setCursor(Qt::SizeHorCursor);
    connect(&m_, &Macchina::revisioneCambiata, this, [this] { update(); });
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k.startsWith(QLatin1String("m_xo"))) update();
    });
    conAiuto(this, m_, [this] {
        return lingua(m_, "Drag a crossover sideways. They split the sound into five bands.",
                      "Trascina un incrocio di lato. Sono i punti dove il suono si divide in "
                      "cinque bande.");
    });
}

double StrisciaIncroci::xDi(double f) const {
    return width() * (std::log10(std::max(f, 20.0)) - std::log10(20.0)) / 3;
}

int StrisciaIncroci::presaA(double x) const {
    int scelta = 0;
    double meglio = 1e18;
    for (int k = 0; k < 4; ++k) {
        const double d = std::abs(x - xDi(m_.valore(chiave("m_xo", k + 1))));
        if (d < meglio) {
            meglio = d;
            scelta = k;
        }
    }
    return scelta;
}

double StrisciaIncroci::frequenzaA(double x) const {
    return std::round(std::pow(10.0, x / std::max(width(), 1) * 3 + std::log10(20.0)));
}

void StrisciaIncroci::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), tema::gola());
    p.setPen(QPen(tema::riga(), 1));
    for (double f : {100.0, 1000.0, 10000.0})
        p.drawLine(QPointF(xDi(f), 0), QPointF(xDi(f), height()));
    p.setFont(tema::carattere(9, true, QFont::DemiBold));
    for (int k = 0; k < 4; ++k) {
        const double f = m_.valore(chiave("m_xo", k + 1));
        const double x = xDi(f);
        p.fillRect(QRectF(x - 1, 2, 2, 30), presa_ == k ? tema::inchio() : tema::blu());
        p.setPen(tema::inchio());
        p.drawText(QRectF(x - 30, 32, 60, 13), Qt::AlignCenter, testoHz(f));
    }
}

void StrisciaIncroci::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) presa_ = presaA(e->position().x());
    update();
}

void StrisciaIncroci::mouseMoveEvent(QMouseEvent* e) {
    if (!presa_) return;
    const std::string k = chiave("m_xo", *presa_ + 1);
    const double f = frequenzaA(e->position().x());
    const Comando* c = trova(k);
    m_.imposta(k, c ? std::clamp(f, c->min, c->max) : f);
    emit Eco::di(m_).mosso(QString::fromStdString(k));
}

void StrisciaIncroci::mouseReleaseEvent(QMouseEvent*) {
    presa_.reset();
    update();
}

// ---- Band law ----

Legge Legge::leggi(int banda, const Valori& v) {
    const int n = banda + 1;
    Legge l;
    l.soglia = v.valore(chiave("m_sog", n));
    l.tetto = v.valore(chiave("m_tet", n));
    l.rap = std::max(v.valore(chiave("m_rap", n)), 1.0);
    l.su = std::max(v.valore("m_sumax"), 0.0);
    l.giu = std::max(v.valore("m_giumax"), 0.0);
    l.gain = v.valore(chiave("m_gai", n));
    l.lock = v.valore("m_lock") > 0.5;
    return l;
}

double Legge::cambio(double x) const {
    double g = 0;
    if (x > soglia) {
        if (lock) {
            g = tetto - x;
        } else {
            g = -(x - soglia) * (1 - 1 / rap);
            if (x + g > tetto) g = tetto - x;
        }
    }
    return std::clamp(g, -giu, su);
}

CurvaBanda::CurvaBanda(int banda, Macchina& m, QWidget* genitore)
    : QWidget(genitore), i_(banda), m_(m) {
    setFixedSize(230, 230);
    livello_ = m_.misure().livelli[static_cast<std::size_t>(i_)];
    connect(&m_, &Macchina::revisioneCambiata, this, &CurvaBanda::forseRidisegna);
    connect(&Eco::di(m_), &Eco::mosso, this, &CurvaBanda::forseRidisegna);
    connect(&m_.misure(), &Misure::giroCambiato, this, [this] {
        const float l = m_.misure().livelli[static_cast<std::size_t>(i_)];
        if (std::abs(l - livello_) < 0.7f) return;
        livello_ = l;
        update();
    });
}

void CurvaBanda::mettiBanda(int banda) {
    i_ = banda;
    salvata_.reset();
    update();
}

void CurvaBanda::forseRidisegna() {
    if (salvata_ && *salvata_ == Legge::leggi(i_, m_)) return;
    salvata_.reset();
    update();
}

QPointF CurvaBanda::punto(double x, double y) const {
    const double w = width(), h = height();
    return {(x - LO) / (HI - LO) * w, h - (std::clamp(y, LO, HI) - LO) / (HI - LO) * h};
}

void CurvaBanda::ricalcola() {
    const Legge l = Legge::leggi(i_, m_);
    salvata_ = l;
    misuraFatta_ = size();
    tracciato_ = {};
    for (double x = LO; x <= 0.0001; x += 1.5) {
        const double y = std::clamp(x + l.cambio(x) + l.gain, LO, HI);
        if (tracciato_.elementCount() == 0)
            tracciato_.moveTo(punto(x, y));
        else
            tracciato_.lineTo(punto(x, y));
    }
    riempito_ = tracciato_;
    riempito_.lineTo(punto(0, LO));
    riempito_.lineTo(punto(LO, LO));
    riempito_.closeSubpath();
}

void CurvaBanda::paintEvent(QPaintEvent*) {
    if (!salvata_ || misuraFatta_ != size()) ricalcola();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), tema::gola());
    p.setPen(QPen(tema::riga(), 1));
    for (double d = LO; d <= HI; d += 12) {
        p.drawLine(punto(d, LO), punto(d, HI));
        p.drawLine(punto(LO, d), punto(HI, d));
    }
    const QColor c = tema::banda(i_);
    // What enters (dim), what leaves (coloured).
    p.setPen(QPen(tema::alfa(tema::tenue(), 0.5), 1.2, Qt::DashLine));
    p.drawLine(punto(LO, LO), punto(0, 0));
    p.fillPath(riempito_, tema::alfa(c, 0.12));
    p.setPen(QPen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tracciato_);
    const Legge& l = *salvata_;
    p.setPen(QPen(tema::alfa(tema::rosso(), 0.7), 1, Qt::DotLine));
    p.drawLine(punto(LO, l.tetto), punto(HI, l.tetto));
    if (livello_ > LO) {
        const double x = std::min(static_cast<double>(livello_), 0.0);
        p.setPen(Qt::NoPen);
        p.setBrush(tema::inchio());
        p.drawEllipse(punto(x, x + l.cambio(x) + l.gain), 4, 4);
    }
    p.setPen(tema::tenue());
    p.setFont(tema::carattere(7.5, true));
    p.drawText(QRectF(4, 2, 80, 12), Qt::AlignLeft, QString::asprintf("%+.0f", HI));
    p.drawText(QRectF(4, height() - 14, 80, 12), Qt::AlignLeft, QString::asprintf("%.0f", LO));
}

}  // namespace velmora
