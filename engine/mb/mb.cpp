#include "mb.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace omb {

Params leggi(const velmora::Archivio& a) {
    Params p;
    for (int b = 0; b < 5; ++b) {
        auto& k = p.bande[static_cast<std::size_t>(b)];
        const int n = b + 1;
        k.bon = a.banda("m_bon", n, 1) > 0.5;
        k.sog = a.banda("m_sog", n, -40);
        k.tet = a.banda("m_tet", n, -6);
        k.rap = a.banda("m_rap", n, 4);
        k.att = a.banda("m_att", n, 20);
        k.ril = a.banda("m_ril", n, 150);
        k.gai = a.banda("m_gai", n, 0);
        k.sot = a.banda("m_sot", n, 0);
    }
    const double xo[4] = {100, 400, 1500, 5000};
    for (int k = 0; k < 4; ++k) p.xo[static_cast<std::size_t>(k)] = a.banda("m_xo", k + 1, xo[k]);
    p.inmin = a.valore("m_inmin", -30);
    p.inmax = a.valore("m_inmax", -12);
    p.indbs = a.valore("m_indbs", 6);
    p.hpf = a.valore("m_hpf", 36);
    p.lock = a.acceso("m_lock", false);
    p.lib = a.valore("m_lib", 24);
    p.sbav = a.valore("m_sbav", 0) / 100;
    p.lim = a.valore("m_lim", 8);
    p.limgr = a.valore("m_limgr", 0);
    p.limrel = a.valore("m_limrel", 25);
    p.unione = a.valore("m_unione", 0) / 100;
    p.acc = a.valore("m_acc", 0) / 100;
    p.acc34 = a.valore("m_acc34", 0) / 100;
    p.pend = a.valore("m_pend", 24) >= 36 ? 4 : 2;
    p.sumax = a.valore("m_sumax", 12);
    p.giumax = a.valore("m_giumax", 18);
    p.det = a.valore("m_det", 500);
    p.str = a.valore("m_str", 1);
    p.strms = a.valore("m_strms", 25);
    p.stratt = a.valore("m_stratt", 10);
    p.strril = a.valore("m_strril", 200);
    p.strsog = a.valore("m_strsog", 0);
    p.strleg = a.valore("m_strleg", 23) / 100;
    p.strcom = a.valore("m_strcom", 10) / 100;
    p.mix = a.valore("m_mix", 100) / 100;
    p.out = a.valore("m_out", 0);
    return p;
}

namespace {

namespace r = velmora::ricettario;
using velmora::polo;

constexpr double kPavimento = 1e-20;  // floor of mean squares before the logarithm
// Detectors and filter histories are kept clear of the subnormal range: a mean square below
// kMinimo reads the same as kMinimo (both are under the floor), and a section whose histories have
// all decayed below kSpento in silence is set to exact zero.
constexpr double kMinimo = 1e-30;
constexpr double kSpento = 1e-30;

// Crossover k of each compensator, in the order kept by the stage.
constexpr int kCompensoBanda[6] = {0, 0, 0, 1, 1, 2};
constexpr int kCompensoIncrocio[6] = {1, 2, 3, 2, 3, 3};

inline double db(double potenza) {
    return 10 * std::log10(std::max(potenza, kPavimento));
}

}  // namespace

Progetto progetta(const Params& p, double sr) {
    Progetto d;
    if (!(sr > 0) || !std::isfinite(sr)) sr = 48000;
    d.params = p;
    d.sr = sr;
    // Frequencies above 0.45 sr are designed at 0.45 sr; a frequency below 1 Hz (only a preset can
    // give one) would make the sections unstable, so it is designed at 1 Hz.
    auto frequenza = [sr](double f) { return std::min(f >= 1 ? f : 1.0, 0.45 * sr); };

    d.taglio = r::passaAlto(frequenza(p.hpf), sr, 0.70710678);
    d.n = p.pend < 4 ? 2 : 4;
    const double* q = d.n == 2 ? kQ4 : kQ8;
    for (std::size_t k = 0; k < 4; ++k) {
        const double f = frequenza(p.xo[k]);
        for (std::size_t j = 0; j < static_cast<std::size_t>(d.n); ++j) {
            d.bassa[k][j] = r::passaBasso(f, sr, q[j]);
            d.alta[k][j] = r::passaAlto(f, sr, q[j]);
        }
        for (std::size_t j = 0; j < static_cast<std::size_t>(d.n / 2); ++j)
            d.tutto[k][j] = r::passaTutto(f, sr, q[j]);
    }

    d.coefIngresso = polo(sr, 300);
    d.passoIngresso = std::max(p.indbs, 0.0) / sr;  // a negative speed holds the window gain

    d.coefDet = polo(sr, std::max(p.det, 5.0));
    d.muro = p.lim < 24;
    const double extra[5] = {p.limgr, 0.5 * p.limgr, 0, 0, 0};
    const double lento[5] = {2.0, 1.4, 1.0, 0.8, 0.6};
    const double R = std::max(p.limrel, 2.0);
    for (std::size_t b = 0; b < 5; ++b) {
        const Banda& k = p.bande[b];
        d.coefAtt[b] = polo(sr, std::max(k.att, 0.1), 32);
        d.coefRil[b] = polo(sr, std::max(k.ril, 1.0), 32);
        d.muroTetto[b] = std::pow(10.0, (k.tet + std::min(p.lim + extra[b], 24.0)) / 20);
        d.muroCoef[b] = polo(sr, R * lento[b]);
        d.muroBanda[b] = d.muro && k.bon;
    }

    d.stretta = p.str > 1.001;
    d.coefDetStretta = polo(sr, std::max(p.strms, 3.0));
    d.coefAttStretta = polo(sr, std::max(p.stratt, 1.0), 32);
    d.coefRilStretta = polo(sr, std::max(p.strril, 10.0), 32);
    const double c = std::clamp(p.strleg, 0.0, 1.0);
    for (int i = 0; i < 5; ++i) {
        auto& riga = d.matrice[static_cast<std::size_t>(i)];
        double somma = 0;
        for (int j = 0; j < 5; ++j) {
            const double w = i == j ? 1.0 : c * std::pow(0.3, std::abs(i - j));
            riga[static_cast<std::size_t>(j)] = w;
            somma += w;
        }
        for (double& w : riga) w /= somma;
    }
    d.fuori = std::pow(10.0, p.out / 20);
    return d;
}

Mb::Mb() {
    Progetto p = progetta(Params{}, 48000);
    adotta(p);
    azzera();
}

void Mb::adotta(Progetto& p) {
    p_ = p;
    for (auto& s : taglio_) s.c = p.taglio;
    for (std::size_t k = 0; k < 4; ++k) {
        Incrocio& x = incroci_[k];
        x.n = p.n;
        for (std::size_t j = 0; j < 4; ++j) {
            x.bassa[j].c = p.bassa[k][j];
            x.alta[j].c = p.alta[k][j];
        }
        x.bivio.imposta(p.bassa[k][0], p.alta[k][0]);
    }
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 2; ++j)
            compensi_[i][j].imposta(p.tutto[static_cast<std::size_t>(kCompensoIncrocio[i])][j]);
    lineari();
}

void Mb::azzera() {
    for (auto& s : taglio_) s.azzera();
    auto azzeraIncrocio = [](Incrocio& x) {
        for (auto& s : x.bassa) s.azzera();
        for (auto& s : x.alta) s.azzera();
        x.bivio.azzera();
    };
    for (auto& x : incroci_) azzeraIncrocio(x);
    for (auto& x : compensi_)
        for (auto& s : x) s.azzera();
    potenzaIngresso_ = kPavimento;
    ingresso_ = ingressoVoluto_ = 0;
    ingressoLineare_ = 1;
    contaDecidi_ = 0;
    potenza_.fill(kPavimento);
    potenzaStretta_.fill(kPavimento);
    guadagno_.fill(0);
    guadagnoBanda_.fill(0);
    strettaGrezza_.fill(0);
    strettaBanda_.fill(0);
    muroGuadagno_.fill(1);
    lineari();
}

void Mb::lineari() {
    for (std::size_t b = 0; b < 5; ++b)
        lineare_[b] =
            std::pow(10.0, (guadagnoBanda_[b] + strettaBanda_[b] + p_.params.bande[b].gai) / 20);
}

void Mb::decidiIngresso() {
    const Params& q = p_.params;
    if (potenzaIngresso_ < kMinimo) potenzaIngresso_ = kMinimo;
    const double livello = db(potenzaIngresso_);
    double voluto = ingresso_;
    if (livello >= -70 && !fermo) {
        const double dopo = livello + ingresso_;
        if (dopo < q.inmin)
            voluto = q.inmin - livello;
        else if (dopo > q.inmax)
            voluto = q.inmax - livello;
    }
    ingressoVoluto_ = std::clamp(voluto, -24.0, 24.0);
}

void Mb::decidi() {
    const Params& q = p_.params;
    const double su = std::max(q.sumax, 0.0), giu = -std::max(q.giumax, 0.0);

    // Slow compressors.
    for (std::size_t b = 0; b < 5; ++b) {
        const Banda& k = q.bande[b];
        if (potenza_[b] < kMinimo) potenza_[b] = kMinimo;
        const double L = db(potenza_[b]);
        double g;
        if (L > k.sog) {
            if (q.lock) {
                g = k.tet - L;
            } else {
                g = -(L - k.sog) * (1 - 1 / std::max(k.rap, 1.0));
                if (L + g > k.tet) g = k.tet - L;
            }
        } else {
            g = k.sot;
        }
        double voluto = std::clamp(g, giu, su);
        if (!k.bon) voluto = 0;
        double& G = guadagno_[b];
        if (fermo) voluto = G;
        const double passo = (voluto - G) * (voluto < G ? p_.coefAtt[b] : p_.coefRil[b]);
        // Arrived: snapping the last 1e-12 dB keeps the gain out of the subnormal range.
        G = std::fabs(voluto - G) < 1e-12 ? voluto : G + passo;
    }

    // Couplings, on a copy: the compressors' own gains stay uncoupled.
    Cinque G = guadagno_;
    auto media = [](const Cinque& v) { return (v[0] + v[1] + v[2] + v[3] + v[4]) / 5; };
    if (q.sbav > 0.001) {
        const double h = std::min(q.sbav, 1.0) / 2;
        Cinque H;
        for (std::size_t b = 0; b < 5; ++b) {
            const double vicini = (G[b == 0 ? 0 : b - 1] + G[b == 4 ? 4 : b + 1]) / 2;
            H[b] = G[b] * (1 - h) + h * vicini;
        }
        G = H;
    }
    if (q.unione > 0.001) {
        const double u = std::min(q.unione, 1.0), m = media(G);
        for (double& g : G) g = g * (1 - u) + u * m;
    }
    if (q.acc > 0.001) {
        const double a = std::min(q.acc, 1.0);
        G[0] = G[0] * (1 - a) + a * (G[1] + G[2] + G[3] + G[4]) / 4;
    }
    if (q.acc34 > 0.001) {
        const double c = std::min(q.acc34, 1.0);
        G[3] = G[3] * (1 - c) + c * G[2];
    }
    if (q.lib < 23.5) {
        const double w = std::max(q.lib, 0.5), m = media(G);
        for (double& g : G) g = std::clamp(g, m - w, m + w);
    }
    guadagnoBanda_ = G;

    // Bonding compressor: the short-window level after the slow gain, shared across the bands.
    if (p_.stretta) {
        const double fattore = 1 - 1 / std::max(q.str, 1.0);
        for (std::size_t b = 0; b < 5; ++b) {
            const Banda& k = q.bande[b];
            if (potenzaStretta_[b] < kMinimo) potenzaStretta_[b] = kMinimo;
            const double Ls = db(potenzaStretta_[b]) + guadagnoBanda_[b];
            const double soglia = k.tet + q.strsog;
            double s = Ls > soglia ? -(Ls - soglia) * fattore : 0;
            if (!k.bon) s = 0;
            double& S = strettaGrezza_[b];
            const double passo = (s - S) * (s < S ? p_.coefAttStretta : p_.coefRilStretta);
            S = std::fabs(s - S) < 1e-12 ? s : S + passo;
        }
        const double m = std::clamp(q.strcom, 0.0, 1.0), comune = media(strettaGrezza_);
        for (std::size_t i = 0; i < 5; ++i) {
            double sparso = 0;
            for (std::size_t j = 0; j < 5; ++j) sparso += p_.matrice[i][j] * strettaGrezza_[j];
            strettaBanda_[i] = (1 - m) * sparso + m * comune;
        }
    } else {
        for (std::size_t b = 0; b < 5; ++b) {
            if (potenzaStretta_[b] < kMinimo) potenzaStretta_[b] = kMinimo;
            strettaGrezza_[b] = strettaBanda_[b] = 0;
        }
    }
    lineari();
}

void Mb::pulisci() {
    auto spegni = [](auto& s) {
        const Coppia q = s.x1 * s.x1 + s.x2 * s.x2 + s.y1 * s.y1 + s.y2 * s.y2;
        if (q[0] + q[1] < kSpento * kSpento) s.azzera();
    };
    for (auto& s : taglio_) spegni(s);
    for (Incrocio& x : incroci_) {
        const Coppia q = x.bivio.w1 * x.bivio.w1 + x.bivio.w2 * x.bivio.w2;
        if (q[0] + q[1] < kSpento * kSpento) x.bivio.azzera();
        for (int j = 1; j < x.n; ++j) spegni(x.bassa[j]), spegni(x.alta[j]);
    }
    for (auto& x : compensi_)
        for (int j = 0; j < incroci_[0].n / 2; ++j) spegni(x[j]);
}

template <int N>
void Mb::elabora(float* l, float* r, int n) {
    const Progetto& p = p_;
    const double umido = p.params.mix, secco = 1 - umido, fuori = p.fuori;
    const double cI = p.coefIngresso, cD = p.coefDet, cS = p.coefDetStretta;

    // The block goes through in pieces that end with the sample of the next decision; each step
    // runs over the whole piece before the next one starts. A decision changes the band gains from
    // its own sample on and may clear filter histories after it, so every step still sees the
    // same samples, gains and clearings in the same order as sample by sample, and the result is
    // the same; but the filters' recursions overlap instead of waiting on each other.
    constexpr int PEZZO = 32;
    Coppia asciutto[PEZZO], banda[5][PEZZO];
    for (int base = 0; base < n;) {
        const int pezzo = std::min({contaDecidi_ < 2 ? 1 : contaDecidi_, n - base, PEZZO});
        float* const lb = l + base;
        float* const rb = r + base;
        base += pezzo;
        Coppia* const x = banda[4];  // the signal on its way up the tree, the top band at the end

        // Low cut and input window, in one pass; only the last sample of a piece can decide.
        const bool decide = contaDecidi_ < 2 || contaDecidi_ == pezzo;
        const int senza = decide ? pezzo - 1 : pezzo;
        {
            Sezione t0 = taglio_[0], t1 = taglio_[1];
            double potenza = potenzaIngresso_;
            auto taglio = [&](int i) {
                asciutto[i] = Coppia{lb[i], rb[i]};
                x[i] = t1.elabora(t0.elabora(asciutto[i]));
                const double m = (x[i][0] + x[i][1]) * 0.5;
                potenza += cI * (m * m - potenza);
            };
            auto finestra = [&](int i) {
                if (ingresso_ != ingressoVoluto_) {
                    const double d = ingressoVoluto_ - ingresso_, passo = p.passoIngresso;
                    ingresso_ = std::fabs(d) <= passo ? ingressoVoluto_
                                                      : ingresso_ + (d > 0 ? passo : -passo);
                    ingressoLineare_ = std::pow(10.0, ingresso_ / 20);
                }
                x[i] *= ingressoLineare_;
            };
            for (int i = 0; i < senza; ++i) taglio(i), finestra(i);
            contaDecidi_ -= senza;
            if (decide) {
                taglio(senza);
                potenzaIngresso_ = potenza;
                contaDecidi_ = 32;
                decidiIngresso();
                potenza = potenzaIngresso_;
                finestra(senza);
            }
            potenzaIngresso_ = potenza;
            taglio_[0] = t0, taglio_[1] = t1;
        }

        // Tree: both sides of a crossover in one pass.
        for (int k = 0; k < 4; ++k) {
            Incrocio& X = incroci_[k];
            Bivio V = X.bivio;
            Sezione B[N - 1], A[N - 1];
            for (int j = 1; j < N; ++j) B[j - 1] = X.bassa[j], A[j - 1] = X.alta[j];
            Coppia* const b = banda[k];
            for (int i = 0; i < pezzo; ++i) {
                Coppia y, z;
                V.elabora(x[i], y, z);
#pragma GCC unroll 3
                for (int j = 0; j < N - 1; ++j) y = B[j].elabora(y);
#pragma GCC unroll 3
                for (int j = 0; j < N - 1; ++j) z = A[j].elabora(z);
                b[i] = y;
                x[i] = z;
            }
            X.bivio = V;
            for (int j = 1; j < N; ++j) X.bassa[j] = B[j - 1], X.alta[j] = A[j - 1];
        }

        // Phase compensation: each band takes the all-pass of every crossover above it.
        {
            constexpr int M = N / 2;
            PassaTutto C[6][M];
            for (int c = 0; c < 6; ++c)
                for (int j = 0; j < M; ++j) C[c][j] = compensi_[c][j];
            for (int i = 0; i < pezzo; ++i) {
#pragma GCC unroll 6
                for (int c = 0; c < 6; ++c) {
                    Coppia& y = banda[kCompensoBanda[c]][i];
#pragma GCC unroll 2
                    for (int j = 0; j < M; ++j) y = C[c][j].elabora(y);
                }
            }
            for (int c = 0; c < 6; ++c)
                for (int j = 0; j < M; ++j) compensi_[c][j] = C[c][j];
        }

        // Detectors, all bands in one pass.
        {
            double P[5], S[5];
            for (std::size_t b = 0; b < 5; ++b) P[b] = potenza_[b], S[b] = potenzaStretta_[b];
            for (int i = 0; i < pezzo; ++i)
#pragma GCC unroll 5
                for (std::size_t b = 0; b < 5; ++b) {
                    const double v = (banda[b][i][0] + banda[b][i][1]) * 0.5, q = v * v;
                    P[b] += cD * (q - P[b]);
                    S[b] += cS * (q - S[b]);
                }
            for (std::size_t b = 0; b < 5; ++b) potenza_[b] = P[b], potenzaStretta_[b] = S[b];
        }

        // Gains and walls, then the sum; a decision comes before its own sample's gains.
        auto uscita = [&](int i) {
            Coppia umidi = {0, 0};
            for (std::size_t b = 0; b < 5; ++b) {
                Coppia y = banda[b][i] * lineare_[b];
                if (p.muroBanda[b]) {
                    const double picco = std::max(std::fabs(y[0]), std::fabs(y[1]));
                    const double t = picco > p.muroTetto[b] ? p.muroTetto[b] / picco : 1.0;
                    double& g = muroGuadagno_[b];
                    if (t < g)
                        g = t;
                    else
                        g += (t - g) * p.muroCoef[b];
                    y *= g;
                }
                umidi += y;
            }
            const Coppia u = fuori * (umido * umidi + secco * asciutto[i]);
            lb[i] = static_cast<float>(u[0]);
            rb[i] = static_cast<float>(u[1]);
        };
        const int prima = decide ? pezzo - 1 : pezzo;
        for (int i = 0; i < prima; ++i) uscita(i);
        if (decide) {
            // A non-finite sample that reached the stage has spoilt every state it touched:
            // start again from silence.
            if (!std::isfinite(potenzaIngresso_ + potenza_[0] + potenza_[1] + potenza_[2] +
                               potenza_[3] + potenza_[4])) {
                azzera();
                lb[prima] = rb[prima] = 0;
                continue;
            }
            decidi();
            pulisci();
            uscita(prima);
        }
    }
}

void Mb::process(float* l, float* r, int n) {
    if (n < 1 || l == nullptr || r == nullptr) return;
    if (incroci_[0].n == 4)
        elabora<4>(l, r, n);
    else
        elabora<2>(l, r, n);
}

double Mb::guadagnoDb(int b) const {
    if (b < 0 || b > 4) return 0.0;
    const auto i = static_cast<std::size_t>(b);
    return guadagnoBanda_[i] + strettaBanda_[i];
}

double Mb::potenza(int b) const {
    return b < 0 || b > 4 ? kPavimento : potenza_[static_cast<std::size_t>(b)];
}

double Mb::gai(int b) const {
    return b < 0 || b > 4 ? 0.0 : p_.params.bande[static_cast<std::size_t>(b)].gai;
}

int Mb::contaSubnormali() const {
    int conta = 0;
    auto guarda = [&conta](double v) { conta += std::fpclassify(v) == FP_SUBNORMAL ? 1 : 0; };
    auto sezione = [&guarda](const auto& s) {
        for (const Coppia* v : {&s.x1, &s.x2, &s.y1, &s.y2}) guarda((*v)[0]), guarda((*v)[1]);
    };
    for (const auto& s : taglio_) sezione(s);
    for (const Incrocio& x : incroci_) {
        for (int j = 0; j < 4; ++j) sezione(x.bassa[j]), sezione(x.alta[j]);
        for (const Coppia* v : {&x.bivio.w1, &x.bivio.w2}) guarda((*v)[0]), guarda((*v)[1]);
    }
    for (const auto& x : compensi_)
        for (const auto& s : x) sezione(s);
    for (const Cinque* v : {&potenza_, &potenzaStretta_, &guadagno_, &guadagnoBanda_,
                            &strettaGrezza_, &strettaBanda_, &muroGuadagno_})
        for (double x : *v) guarda(x);
    guarda(potenzaIngresso_);
    guarda(ingresso_);
    return conta;
}

}  // namespace omb
