#include "max.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace omax {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double BUTTERWORTH = 1.41421356;  // 2·Q of a Butterworth section

// Frequencies are limited to 0.45 fs; the floor only keeps nonsense values off zero and below.
double limita(double f, double sr) {
    return std::clamp(f, 1.0, 0.45 * sr);
}

// Envelope coefficient for a time in seconds, applied every `passo` samples.
double inviluppo(double sr, double s, double passo = 1) {
    return 1.0 - std::exp(-passo / (sr * s));
}

// One-pole smoother y = c·y + (1 − c)·x with corner f.
double polo(double f, double sr) {
    return std::exp(-2 * PI * f / sr);
}

Coefficienti bassoButterworth(double f, double sr) {
    const double w = 2 * PI * f / sr, c = std::cos(w), a = std::sin(w) / BUTTERWORTH, a0 = 1 + a;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - a) / a0};
}

Coefficienti altoButterworth(double f, double sr) {
    const double w = 2 * PI * f / sr, c = std::cos(w), a = std::sin(w) / BUTTERWORTH, a0 = 1 + a;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - a) / a0};
}

// Band-pass with 0 dB at its peak.
Coefficienti passaBanda(double f, double sr, double q) {
    const double w = 2 * PI * f / sr, c = std::cos(w), a = std::sin(w) / (2 * q), a0 = 1 + a;
    return {a / a0, 0, -a / a0, -2 * c / a0, (1 - a) / a0};
}

Forma forma(double f, double sr, double q) {
    const double w = 2 * PI * f / sr;
    return {std::cos(w), std::sin(w) / (2 * q)};
}

Coefficienti campana(const Forma& f, double db) {
    const double A = std::pow(10.0, db / 40), a0 = 1 + f.alfa / A;
    return {(1 + f.alfa * A) / a0, -2 * f.cosw / a0, (1 - f.alfa * A) / a0, -2 * f.cosw / a0,
            (1 - f.alfa / A) / a0};
}

// High shelf with slope 0.7 (1/S − 1 = 0.4285714285714286).
Coefficienti scaffale(double cosw, double mezzoSin, double db) {
    const double A = std::pow(10.0, db / 40), c = cosw;
    const double alfa = mezzoSin * std::sqrt((A + 1 / A) * 0.4285714285714286 + 2);
    const double b = 2 * std::sqrt(A) * alfa, a0 = (A + 1) - (A - 1) * c + b;
    return {A * ((A + 1) + (A - 1) * c + b) / a0, -2 * A * ((A - 1) + (A + 1) * c) / a0,
            A * ((A + 1) + (A - 1) * c - b) / a0, 2 * ((A - 1) - (A + 1) * c) / a0,
            ((A + 1) - (A - 1) * c - b) / a0};
}

// Soft clip: straight up to the knee 0.85·T, then a parabola that reaches T with slope 0.
inline double morbido(double y, double T) {
    if (T <= 1e-9) return y;
    const double k = 0.85 * T, a = std::fabs(y);
    if (a <= k) return y;
    const double r = (a - k) / (0.15 * T);
    return std::copysign(r >= 2 ? T : k + 0.15 * T * (r - r * r / 4), y);
}

// Values this small are inaudible and would only turn into slow subnormal arithmetic in silence.
inline void piatto(double& v) {
    if (std::fabs(v) < 1e-30) v = 0;
}

}  // namespace

Params leggi(const velmora::Archivio& a) {
    Params p;
    const bool radio = a.acceso("x_radio", false);
    p.tosaon = radio ? a.acceso("x_tosaon", true) : false;
    p.ant = radio ? a.valore("x_ant", 10) : 0;
    p.limit = radio ? a.acceso("x_limit", true) : false;
    p.in = a.valore("x_in", 0);
    p.shape = a.valore("x_shape", 0) * 0.01;
    p.out = a.valore("x_out", -1);
    p.mix = a.valore("x_mix", 100) * 0.01;
    p.rel = a.valore("x_rel", 120);
    p.mahz = a.valore("x_mahz", 2400);
    p.mafix = a.valore("x_mafix", 0);
    p.madin = a.valore("x_madin", 0);
    p.marel = a.valore("x_marel", 1000);
    p.maq = a.valore("x_maq", 0.8);
    p.bshz = a.valore("x_bshz", 90);
    p.bsfix = a.valore("x_bsfix", 0);
    p.bsdin = a.valore("x_bsdin", 0);
    p.bsrel = a.valore("x_bsrel", 120);
    p.bsq = a.valore("x_bsq", 0.9);
    // Halves round away from zero; the bound keeps a nonsense value inside an int32.
    p.rot = static_cast<std::int32_t>(std::round(std::clamp(a.valore("x_rot", 0), -1e9, 1e9)));
    p.bchz = a.valore("x_bchz", 200);
    p.bcdb = a.valore("x_bcdb", 0);
    p.arm = a.valore("x_arm", 0);
    p.armhz = a.valore("x_armhz", 120);
    p.spazio = a.valore("x_spazio", 0) * 0.01;
    p.spaziohz = a.valore("x_spaziohz", 1500);
    p.top = a.valore("x_top", 0);
    p.pre = a.valore("x_pre", 0);
    p.hfhz = a.valore("x_hfhz", 6000);
    p.hfdb = a.valore("x_hfdb", 0);
    p.clip = a.valore("x_clip", 0);
    return p;
}

std::int32_t lunghezzaAnticipo(double ant, double sr) {
    const double n = std::clamp(ant, 0.0, ANTICIPO_MASSIMO) * 0.001 * sr;
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(n));
}

Progetto progetta(const Params& p, double sr) {
    if (!(sr > 0)) sr = 48000;
    Progetto pr;
    Disegno& d = pr.d;
    d.params = p;
    d.sr = sr;

    d.gIn = std::pow(10.0, p.in / 20);
    d.tetto = std::pow(10.0, p.out / 20);
    d.mix = p.mix;
    d.sovra = bassoButterworth(0.45 * sr, 2 * sr);
    d.segue = inviluppo(sr, 1.5);

    // Bass harmonics.
    d.armOn = p.arm > 0.01;
    d.cArm = polo(limita(std::max(p.armhz, 40.0), sr), sr);
    d.c400 = polo(limita(400, sr), sr);
    d.kDer = sr / (2 * PI * std::max(0.6 * p.armhz, 30.0));
    d.armG = std::pow(10.0, p.arm / 20) - 1;

    // Upper-mids bell. The bell's own Q is kept off zero, where its design has no meaning.
    d.maOn = p.mafix < -0.01 || p.madin < -0.01;
    d.maRivelatore = passaBanda(limita(p.mahz, sr), sr, std::max(p.maq, 0.5));
    d.maAtt = inviluppo(sr, 0.004);
    d.maRil = inviluppo(sr, std::max(p.marel / 1000, 0.05));
    d.maRil32 = inviluppo(sr, std::max(p.marel / 1000, 0.05), 32);
    d.maCampana = forma(limita(p.mahz, sr), sr, std::max(p.maq, 0.05));

    // Bass tail.
    d.bsOn = p.bsfix < -0.01 || p.bsdin < -0.01;
    d.bsSoloFisso = p.bsdin >= -0.01;
    d.bsRivelatore = passaBanda(limita(p.bshz, sr), sr, std::max(p.bsq, 0.5));
    d.bsAtt = inviluppo(sr, 0.015);
    d.bsRil = inviluppo(sr, std::max(p.bsrel / 1000, 0.02));
    d.bsRil32 = inviluppo(sr, std::max(p.bsrel / 1000, 0.02), 32);
    d.bsCampana = forma(limita(p.bshz, sr), sr, std::max(p.bsq, 0.05));

    // Phase rotator and saturation.
    d.rotN = std::clamp<int>(p.rot, 0, 4);
    {
        const double t = std::tan(PI * std::min(p.rothz, 0.45 * sr) / sr);
        d.rotC = (t - 1) / (t + 1);
    }
    d.satOn = p.tosaon && p.shape > 1e-6;
    d.sat2 = p.shape * p.shape;

    // Bass clipper.
    d.bcOn = p.bcdb > 0.01;
    d.bcBasso = bassoButterworth(std::min(std::max(p.bchz, 50.0), 0.49 * sr), sr);
    d.bcDiv = std::pow(10.0, p.bcdb / 20);

    // Emphasis, HF limiter and clipper.
    d.preOn = p.pre > 1;
    d.hfOn = p.hfdb < -0.01;
    d.clipOn = p.clip > 0.01;
    d.hfClipOn = d.preOn || d.hfOn || d.clipOn;
    {
        const double tau = std::max(p.pre * 1e-6, 1e-9);
        const double K1 = 2 * sr * tau, K2 = K1 / 5;
        d.preB0 = (1 + K1) / (1 + K2);
        d.preB1 = (1 - K1) / (1 + K2);
        d.preA1 = (1 - K2) / (1 + K2);
        d.deB0 = (1 + K2) / (1 + K1);
        d.deB1 = (1 - K2) / (1 + K1);
        d.deA1 = (1 - K1) / (1 + K1);
    }
    {
        const double f = limita(p.hfhz, sr);
        d.hfRivelatore = passaBanda(f, sr, 0.6);
        d.hfAtt = inviluppo(sr, 0.001);
        d.hfRil = inviluppo(sr, 0.03);
        d.hfRil32 = inviluppo(sr, 0.03, 32);
        const double w = 2 * PI * f / sr;
        d.hfCos = std::cos(w);
        d.hfMezzoSin = std::sin(w) / 2;
    }
    d.clipDiv = std::pow(10.0, p.clip / 20);

    // Space.
    d.spazioOn = p.spazio > 0.001;
    d.cSp = polo(limita(std::max(p.spaziohz, 200.0), sr), sr);
    d.spGuadagno = 1 + 5 * p.spazio;
    d.hp150 = altoButterworth(150, sr);

    // Top cut: off outside (100, 19500) Hz.
    d.topOn = p.top > 100 && p.top < 19500;
    if (d.topOn) d.taglio = bassoButterworth(std::min(p.top, 0.47 * sr), sr);

    // Output section.
    d.N = lunghezzaAnticipo(p.ant, sr);
    d.limit = p.limit;
    d.limAtt = velmora::polo(sr, std::max(p.ant / 2, 0.2));
    d.limRil = velmora::polo(sr, std::max(p.rel, 1.0));

    const auto N = static_cast<std::size_t>(d.N);
    const std::size_t telai = std::max<std::size_t>(N, 4) + 4;
    pr.ritardo.assign(2 * telai, 0.0f);
    pr.secco.assign(2 * telai, 0.0f);
    pr.minValori.assign(N, 1.0f);
    pr.minIndici.assign(N, 0);
    return pr;
}

Max::Max() {
    Progetto p = progetta(Params{}, 48000);
    adotta(p);
    azzera();
}

// The dynamic bells and the HF shelf at their current gains.
void Max::progettaDinamiche() {
    maCamp_.c = campana(d_.maCampana, maG_);
    bsCamp_.c = campana(d_.bsCampana, bsG_);
    hfScaff_.c = scaffale(d_.hfCos, d_.hfMezzoSin, hfG_);
}

void Max::adotta(Progetto& p) {
    d_ = p.d;
    satIn_.c = satOut_.c = clipIn_.c = clipOut_.c = d_.sovra;
    maRiv_.c = d_.maRivelatore;
    bsRiv_.c = d_.bsRivelatore;
    hfRiv_.c = d_.hfRivelatore;
    bcBasso_.c = d_.bcBasso;
    for (auto& t : taglio_) t.c = d_.taglio;
    progettaDinamiche();
    if (static_cast<std::size_t>(d_.N) != minValori_.size()) {
        ritardo_.swap(p.ritardo);
        secco_.swap(p.secco);
        minValori_.swap(p.minValori);
        minIndici_.swap(p.minIndici);
        pos_ = 0;
        minTesta_ = minQuanti_ = 0;
        anelloConta_ = 0;
    }
}

void Max::azzera() {
    armA_ = armB_ = armP_ = armQ_ = armPrec_ = 0;
    for (auto& s : rot_) s = {};
    pre_ = de_ = {};
    for (auto& t : hp150_) t = {};
    for (Sezione* b : {&satIn_, &satOut_, &maRiv_, &maCamp_, &bsRiv_, &bsCamp_, &bcBasso_, &hfRiv_,
                       &hfScaff_, &clipIn_, &clipOut_})
        b->azzera();
    for (auto& t : taglio_) t.azzera();
    maEnv_ = bsEnv_ = hfEnv_ = 1e-12;
    maG_ = bsG_ = hfG_ = 0;
    maConta_ = bsConta_ = hfConta_ = 0;
    progettaDinamiche();
    bcSegue_ = clipSegue_ = 0.001;
    piccoPrima_ = piccoDopo_ = tosatura_ = 0;
    clipConta_ = 0;
    spLp_ = 0;
    std::fill(ritardo_.begin(), ritardo_.end(), 0.0f);
    std::fill(secco_.begin(), secco_.end(), 0.0f);
    std::fill(minValori_.begin(), minValori_.end(), 1.0f);
    pos_ = 0;
    minTesta_ = minQuanti_ = 0;
    anelloConta_ = 0;
    limG_ = 1;
    limDb_ = 0;
}

// One sample through the soft clip at twice the rate: zero-stuffing, interpolation, clip,
// decimation; the first decimated value only advances the filter.
double Max::tosa2x(double x, int canale, double soglia) {
    const int k = canale == 0 ? 0 : 1;
    const double i1 = clipIn_.elabora(2 * x, k);
    const double i2 = clipIn_.elabora(0.0, k);
    clipOut_.elabora(morbido(i1, soglia), k);
    return clipOut_.elabora(morbido(i2, soglia), k);
}

// tosa2x on both channels at once.
Max::Coppia Max::tosa2(Coppia x, double soglia) {
    const Coppia i1 = clipIn_.elabora(2 * x);
    const Coppia i2 = clipIn_.elabora(Coppia{});
    clipOut_.elabora(Coppia{morbido(i1[0], soglia), morbido(i1[1], soglia)});
    return clipOut_.elabora(Coppia{morbido(i2[0], soglia), morbido(i2[1], soglia)});
}
// Pushes the newest required gain into the window of the last N and answers the window's
// smallest value. A queue of increasing values replaces a scan of all N entries per sample and
// gives the same answer: a value followed by a smaller or equal one can never be the minimum
// again, so it is dropped; the front leaves when it is N pushes old. An empty window reads 1.
double Max::minimo(float v) {
    const std::int32_t N = d_.N;
    const std::int64_t t = anelloConta_++;
    float* valori = minValori_.data();
    std::int64_t* indici = minIndici_.data();
    if (minQuanti_ > 0 && indici[minTesta_] <= t - N) {
        minTesta_ = minTesta_ + 1 >= N ? 0 : minTesta_ + 1;
        --minQuanti_;
    }
    while (minQuanti_ > 0) {
        std::int32_t coda = minTesta_ + minQuanti_ - 1;
        if (coda >= N) coda -= N;
        if (valori[coda] < v) break;
        --minQuanti_;
    }
    std::int32_t dove = minTesta_ + minQuanti_;
    if (dove >= N) dove -= N;
    valori[dove] = v;
    indici[dove] = t;
    ++minQuanti_;
    return std::min(static_cast<double>(valori[minTesta_]), 1.0);
}

void Max::ripulisci() {
    auto coppia = [](Coppia& v) {
        for (int k = 0; k < 2; ++k)
            if (std::fabs(v[k]) < 1e-30) v[k] = 0;
    };
    for (double* v : {&armA_, &armB_, &armP_, &armQ_, &armPrec_, &spLp_, &maEnv_, &bsEnv_, &hfEnv_,
                      &maG_, &bsG_, &hfG_, &tosatura_})
        piatto(*v);
    for (auto& s : rot_) coppia(s.x1), coppia(s.y1);
    coppia(pre_.x1), coppia(pre_.y1), coppia(de_.x1), coppia(de_.y1);
    for (auto& t : hp150_) piatto(t.s1), piatto(t.s2);
    for (Sezione* b :
         {&satIn_, &satOut_, &maRiv_, &maCamp_, &bsRiv_, &bsCamp_, &bcBasso_, &hfRiv_, &hfScaff_,
          &clipIn_, &clipOut_, &taglio_[0], &taglio_[1], &taglio_[2], &taglio_[3]})
        coppia(b->x1), coppia(b->x2), coppia(b->y1), coppia(b->y2);
}

void Max::process(float* l, float* r, int n) {
    if (n < 1 || l == nullptr || r == nullptr || minValori_.empty()) return;
    const Disegno& d = d_;
    const bool tosa = d.params.tosaon;
    const bool armOn = d.armOn, maOn = d.maOn, bsOn = d.bsOn;
    const bool satOn = tosa && d.satOn, bcOn = tosa && d.bcOn, hfClipOn = tosa && d.hfClipOn;
    const bool preOn = d.preOn, hfOn = d.hfOn, clipOn = d.clipOn;
    const bool spazioOn = tosa && d.spazioOn, topOn = tosa && d.topOn, limit = d.limit;
    const int rotN = tosa ? d.rotN : 0;
    const double gIn = d.gIn, C = d.tetto, mix = d.mix, secca = 1 - mix;
    const std::int32_t N = d.N;
    float* const ritardo = ritardo_.data();
    float* const secco = secco_.data();

    // The block goes through in pieces; each processing step runs over a whole piece before the
    // next one starts. Every step sees the same samples in the same order as sample by sample,
    // so the result is the same, but the steps' recursions overlap instead of waiting on each
    // other.
    constexpr int PEZZO = 64;
    Coppia buf[PEZZO];
    for (int base = 0; base < n; base += PEZZO) {
        const int pezzo = std::min(PEZZO, n - base);
        float* const lb = l + base;
        float* const rb = r + base;
        for (int i = 0; i < pezzo; ++i) buf[i] = Coppia{lb[i], rb[i]} * gIn;
        if (armOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const double m = (X[0] + X[1]) / 2;
                armA_ = d.cArm * armA_ + (1 - d.cArm) * m;
                armB_ = d.cArm * armB_ + (1 - d.cArm) * armA_;
                const double h = 2 * armB_ * (armB_ - armPrec_) * d.kDer;
                armPrec_ = armB_;
                armP_ = d.c400 * armP_ + (1 - d.c400) * h;
                armQ_ = d.cArm * armQ_ + (1 - d.cArm) * armP_;
                X += (armP_ - armQ_) * d.armG;
                buf[i] = X;
            }
        if (rotN > 0)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const double c = d.rotC;  // the same for all eight sections
                for (int s = 0; s < rotN; ++s) {
                    PrimoOrdine& p = rot_[s];
                    const Coppia y = c * X + p.x1 - c * p.y1;
                    p.x1 = X;
                    p.y1 = y;
                    X = y;
                }
                buf[i] = X;
            }
        if (satOn) {
            const double s2 = d.sat2;
            auto f = [s2](Coppia y) {
                return (1 - s2) * y + s2 * tangenteIperbolica(2.5 * y) / 2.5;
            };
            for (int i = 0; i < pezzo; ++i) {
                const Coppia i1 = satIn_.elabora(2 * buf[i]);
                const Coppia i2 = satIn_.elabora(Coppia{});
                satOut_.elabora(f(i1));
                buf[i] = satOut_.elabora(f(i2));
            }
        }
        if (maOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia D = maRiv_.elabora(X);
                const double p = (D[0] * D[0] + D[1] * D[1]) / 2;
                maEnv_ += (p - maEnv_) * (p > maEnv_ ? d.maAtt : d.maRil);
                if (maConta_-- <= 1) {
                    maConta_ = 32;
                    const double db = 10 * std::log10(std::max(maEnv_, 1e-20));
                    const double w = std::clamp((db + 24) / 18, 0.0, 1.0);
                    const double meta = d.params.mafix + d.params.madin * w;
                    maG_ += (meta - maG_) * (meta < maG_ ? 0.6 : d.maRil32);
                    maCamp_.c = campana(d.maCampana, maG_);
                }
                X = maCamp_.elabora(X);
                buf[i] = X;
            }
        if (bsOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia D = bsRiv_.elabora(X);
                const double p = (D[0] * D[0] + D[1] * D[1]) / 2;
                bsEnv_ += (p - bsEnv_) * (p > bsEnv_ ? d.bsAtt : d.bsRil);
                if (d.bsSoloFisso) {
                    if (std::fabs(bsG_ - d.params.bsfix) > 0.0001) {
                        bsG_ = d.params.bsfix;
                        bsCamp_.c = campana(d.bsCampana, bsG_);
                    }
                } else if (bsConta_-- <= 1) {
                    bsConta_ = 32;
                    const double db = 10 * std::log10(std::max(bsEnv_, 1e-20));
                    const double w = std::clamp((db + 26) / 16, 0.0, 1.0);
                    const double meta = d.params.bsfix + d.params.bsdin * w;
                    bsG_ += (meta - bsG_) * (meta < bsG_ ? 0.5 : d.bsRil32);
                    bsCamp_.c = campana(d.bsCampana, bsG_);
                }
                X = bsCamp_.elabora(X);
                buf[i] = X;
            }
        if (bcOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia B = bcBasso_.elabora(X);
                const double pk = std::max(std::fabs(B[0]), std::fabs(B[1]));
                bcSegue_ = pk > bcSegue_ ? pk : bcSegue_ + (pk - bcSegue_) * d.segue;
                bcSegue_ = std::max(bcSegue_, 0.001);
                const double T = std::max(1.18 * bcSegue_ / d.bcDiv, 0.0001);
                X = X - B + Coppia{morbido(B[0], T), morbido(B[1], T)};
                buf[i] = X;
            }
        if (hfClipOn && preOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia y = d.preB0 * X + d.preB1 * pre_.x1 - d.preA1 * pre_.y1;
                pre_.x1 = X;
                pre_.y1 = y;
                X = y;
                buf[i] = X;
            }
        if (hfClipOn && hfOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia D = hfRiv_.elabora(X);
                const double p = (D[0] * D[0] + D[1] * D[1]) / 2;
                hfEnv_ += (p - hfEnv_) * (p > hfEnv_ ? d.hfAtt : d.hfRil);
                if (hfConta_-- <= 1) {
                    hfConta_ = 32;
                    const double db = 10 * std::log10(std::max(hfEnv_, 1e-20));
                    const double w = std::clamp((db + 20) / 14, 0.0, 1.0);
                    const double meta = d.params.hfdb * w;
                    hfG_ += (meta - hfG_) * (meta < hfG_ ? 0.7 : d.hfRil32);
                    hfScaff_.c = scaffale(d.hfCos, d.hfMezzoSin, hfG_);
                }
                X = hfScaff_.elabora(X);
                buf[i] = X;
            }
        if (hfClipOn && clipOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const double pk = std::max(std::fabs(X[0]), std::fabs(X[1]));
                clipSegue_ = pk > clipSegue_ ? pk : clipSegue_ + (pk - clipSegue_) * d.segue;
                clipSegue_ = std::max(clipSegue_, 0.001);
                const double T = std::max(1.18 * clipSegue_ / d.clipDiv, 0.0001);
                X = tosa2(X, T);
                piccoPrima_ = std::max(piccoPrima_, pk);
                piccoDopo_ = std::max(piccoDopo_, std::max(std::fabs(X[0]), std::fabs(X[1])));
                if (++clipConta_ >= 480) {
                    clipConta_ = 0;
                    const double db =
                        piccoPrima_ > 1e-6
                            ? 20 * std::log10(std::max(piccoDopo_, 1e-9) / piccoPrima_)
                            : 0.0;
                    tosatura_ += (db - tosatura_) * (db < tosatura_ ? 0.6 : 0.08);
                    piccoPrima_ = piccoDopo_ = 0;
                }
                buf[i] = X;
            }
        if (hfClipOn && preOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const Coppia y = d.deB0 * X + d.deB1 * de_.x1 - d.deA1 * de_.y1;
                de_.x1 = X;
                de_.y1 = y;
                X = y;
                buf[i] = X;
            }
        if (spazioOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                const double M = (X[0] + X[1]) / 2;
                double s = (X[0] - X[1]) / 2;
                const Coefficienti& h = d.hp150;
                for (Trasposta& t : hp150_) {
                    const double y = h.b0 * s + t.s1;
                    t.s1 = h.b1 * s - h.a1 * y + t.s2;
                    t.s2 = h.b2 * s - h.a2 * y;
                    s = y;
                }
                spLp_ = d.cSp * spLp_ + (1 - d.cSp) * s;
                const double S = spLp_ + (s - spLp_) * d.spGuadagno;
                X = Coppia{M + S, M - S};
                buf[i] = X;
            }
        if (topOn)
            for (int i = 0; i < pezzo; ++i) {
                Coppia X = buf[i];
                for (auto& t : taglio_) X = t.elabora(X);
                buf[i] = X;
            }
        for (int i = 0; i < pezzo; ++i) {
            const float xl = lb[i], xr = rb[i];
            const Coppia X = buf[i];
            // Output section: look-ahead delay, limiter or plain gain, dry/wet mix. The delay, the
            // dry line and the gain window share one position.
            const double L = X[0], R = X[1];
            const std::size_t j = 2 * static_cast<std::size_t>(pos_);
            const double rL = ritardo[j], rR = ritardo[j + 1];
            ritardo[j] = static_cast<float>(L);
            ritardo[j + 1] = static_cast<float>(R);
            const double sL = secco[j], sR = secco[j + 1];
            secco[j] = xl;
            secco[j + 1] = xr;
            pos_ = pos_ + 1 >= N ? 0 : pos_ + 1;
            double g;
            if (limit) {
                const double pk = std::max(std::fabs(L), std::fabs(R));
                const float richiesto = pk > C && pk > 1e-12 ? static_cast<float>(C / pk) : 1.0f;
                const double m = minimo(richiesto);
                limG_ += (m - limG_) * (m < limG_ ? d.limAtt : d.limRil);
                g = limG_;
            } else {
                limG_ = 1;
                g = C;
            }
            lb[i] = static_cast<float>(g * rL * mix + secca * sL);
            rb[i] = static_cast<float>(g * rR * mix + secca * sR);
        }
    }
    // The read-out only matters at the end of the block.
    limDb_ = limit ? 20 * std::log10(std::max(limG_, 1e-6)) : 0.0;
    ripulisci();
}

}  // namespace omax
