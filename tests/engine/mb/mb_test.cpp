#include "mb/mb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "conta_allocazioni.h"

namespace {

constexpr double kSr = 48000;
using Segnale = std::vector<float>;

// Every applied gain at 0 dB: bands off (so the computer aims at 0 dB), window and walls out of
// the way, no bonding compressor.
// The crossover slope comes from the m_pend key, as the store gives it.
omb::Params neutri(double pendenza = 24) {
    const velmora::Parametri chiavi = {{"m_pend", pendenza}};
    omb::Params p = omb::leggi(velmora::Archivio(chiavi));
    for (auto& b : p.bande) b.bon = false;
    p.inmin = -200;
    p.inmax = 200;
    p.lim = 24;
    p.str = 1;
    return p;
}

void imposta(omb::Mb& mb, const omb::Params& p) {
    omb::Progetto d = omb::progetta(p, kSr);
    mb.adotta(d);
}

Segnale seno(double f, double a, std::size_t n, std::size_t da = 0) {
    Segnale s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<float>(a * std::sin(2 * std::numbers::pi * f * double(i + da) / kSr));
    return s;
}

// Runs l and r through the stage in blocks; the buffers hold the output afterwards.
void passa(omb::Mb& mb, Segnale& l, Segnale& r, std::size_t blocco = 512) {
    for (std::size_t i = 0; i < l.size(); i += blocco) {
        const auto n = static_cast<int>(std::min(blocco, l.size() - i));
        mb.process(l.data() + i, r.data() + i, n);
    }
}

// Amplitude of the component at f in y[da, da + n) (n a whole number of periods).
double ampiezza(const Segnale& y, double f, std::size_t da, std::size_t n) {
    std::complex<double> s = 0;
    for (std::size_t i = da; i < da + n; ++i)
        s += double(y[i]) * std::polar(1.0, -2 * std::numbers::pi * f * double(i) / kSr);
    return 2 * std::abs(s) / double(n);
}

// Magnitude of the transform of y at f.
double trasformata(const Segnale& y, double f) {
    return ampiezza(y, f, 0, y.size()) * double(y.size()) / 2;
}

double db(double x) {
    return 20 * std::log10(x);
}

// Magnitude of the band low cut (two identical sections) at f.
double taglio(const omb::Params& p, double f) {
    return std::pow(velmora::modulo(omb::progetta(p, kSr).taglio, f, kSr), 2);
}

const std::array<std::array<double, 4>, 3> kOrdini = {
    {{100, 400, 1500, 5000}, {400, 150, 5000, 1500}, {5000, 1500, 400, 100}}};

TEST(Mb, UnSenoEsceAllaSuaAmpiezzaPerOgniPendenzaEOrdine) {
    for (int pend : {24, 48})
        for (const auto& xo : kOrdini) {
            omb::Params p = neutri(pend);
            p.xo = xo;
            for (double f : {45.0, 80.0, 100.0, 151.0, 400.0, 777.0, 1500.0, 2900.0, 5000.0, 9100.0,
                             15000.0, 19000.0}) {
                SCOPED_TRACE(testing::Message() << pend << " dB/oct, xo1 " << xo[0] << ", " << f);
                omb::Mb mb;
                imposta(mb, p);
                Segnale l = seno(f, 0.25, 72000), r = seno(f, 0.1, 72000);
                passa(mb, l, r);
                const double atteso = db(taglio(p, f));
                EXPECT_NEAR(db(ampiezza(l, f, 24000, 48000) / 0.25), atteso, 0.01);
                EXPECT_NEAR(db(ampiezza(r, f, 24000, 48000) / 0.1), atteso, 0.01);
                if (f >= 300) {
                    EXPECT_NEAR(atteso, 0, 0.01);
                }
            }
        }
}

TEST(Mb, LImpulsoRisommatoHaModuloPiatto) {
    for (int pend : {24, 36, 48})
        for (const auto& xo : kOrdini) {
            SCOPED_TRACE(testing::Message() << pend << " dB/oct, xo1 " << xo[0]);
            omb::Params p = neutri(pend);
            p.xo = xo;
            omb::Mb mb;
            imposta(mb, p);
            Segnale l(32768, 0.0f), r(32768, 0.0f);
            l[0] = 0.5f;
            r[0] = -0.25f;
            passa(mb, l, r);
            bool fase = false;  // the tree changes the phase, not the magnitude
            for (std::size_t i = 1; i < 64; ++i) fase = fase || l[i] != 0.0f;
            EXPECT_TRUE(fase);
            for (double f = 30; f < 21000; f *= 1.13) {
                const double atteso = db(taglio(p, f));
                EXPECT_NEAR(db(trasformata(l, f) / 0.5), atteso, 0.01) << f;
                EXPECT_NEAR(db(trasformata(r, f) / 0.25), atteso, 0.01) << f;
            }
        }
}

TEST(Mb, LaPendenzaDecideLaSeparazioneDelleBande) {
    // Only band 1 passes; a tone two octaves above its crossover is down by the filter's slope.
    for (int pend : {24, 36, 48}) {
        omb::Params p = neutri(pend);
        p.xo = {100, 1000, 4000, 10000};
        for (std::size_t b = 1; b < 5; ++b) p.bande[b].gai = -200;
        omb::Mb mb;
        imposta(mb, p);
        Segnale l = seno(400, 0.25, 72000), r = l;
        passa(mb, l, r);
        const double x =
            std::tan(std::numbers::pi * 400 / kSr) / std::tan(std::numbers::pi * 100 / kSr);
        const double atteso = db(1 / (1 + std::pow(x, pend >= 36 ? 8 : 4)));
        EXPECT_NEAR(db(ampiezza(l, 400, 24000, 48000) / 0.25), atteso, 0.05) << pend;
    }
}

// The bands straight from the crossover sections, one channel in doubles, with each band's phase
// compensation written as the sum of the low-pass and high-pass sides of a crossover (what the
// stage's all-passes stand for), the make-up gains applied and the bands summed.
Segnale riferimento(const omb::Progetto& d, const Segnale& ingresso, const omb::Cinque& guadagni) {
    using velmora::Biquad;
    auto catena = [](const velmora::Coefficienti* c, int n) {
        std::vector<Biquad> s(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) s[static_cast<std::size_t>(j)].c = c[j];
        return s;
    };
    auto passa1 = [](std::vector<Biquad>& s, double x) {
        for (auto& b : s) x = b.elabora(x);
        return x;
    };
    Biquad taglio[2];
    taglio[0].c = taglio[1].c = d.taglio;
    std::vector<Biquad> bassa[4], alta[4], compBassa[4][4], compAlta[4][4];
    for (std::size_t k = 0; k < 4; ++k) {
        bassa[k] = catena(d.bassa[k].data(), d.n);
        alta[k] = catena(d.alta[k].data(), d.n);
        for (std::size_t b = 0; b < k; ++b) {
            compBassa[b][k] = catena(d.bassa[k].data(), d.n);
            compAlta[b][k] = catena(d.alta[k].data(), d.n);
        }
    }
    Segnale uscita(ingresso.size());
    for (std::size_t i = 0; i < ingresso.size(); ++i) {
        double x = taglio[1].elabora(taglio[0].elabora(ingresso[i]));
        double banda[5];
        for (std::size_t k = 0; k < 4; ++k) {
            banda[k] = passa1(bassa[k], x);
            x = passa1(alta[k], x);
        }
        banda[4] = x;
        double somma = 0;
        for (std::size_t b = 0; b < 5; ++b) {
            for (std::size_t k = b + 1; k < 4; ++k)
                banda[b] = passa1(compBassa[b][k], banda[b]) + passa1(compAlta[b][k], banda[b]);
            somma += banda[b] * guadagni[b];
        }
        uscita[i] = static_cast<float>(somma);
    }
    return uscita;
}

// The usual orders, and crossovers at the ends of the range, where the filters' gains are largest.
const std::array<std::array<double, 4>, 5> kOrdiniEstremi = {
    {kOrdini[0], kOrdini[1], kOrdini[2], {20, 25, 30, 18000}, {1, 20000, 21000, 30000}}};

TEST(Mb, LeBandeCompensateComeLaSommaDeiDueLatiDiOgniIncrocio) {
    // Each band with a make-up gain of its own, so that every band's compensation shows.
    const omb::Cinque gai = {-6, 4, -11, 2, -3};
    std::mt19937 caso(11);
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    Segnale l(96000), r(96000);
    for (std::size_t i = 0; i < l.size(); ++i)
        l[i] = static_cast<float>(u(caso)), r[i] = static_cast<float>(u(caso));
    for (int pend : {24, 36, 48})
        for (const auto& xo : kOrdiniEstremi) {
            SCOPED_TRACE(testing::Message() << pend << " dB/oct, xo1 " << xo[0]);
            omb::Params p = neutri(pend);
            p.xo = xo;
            omb::Cinque lineari;
            for (std::size_t b = 0; b < 5; ++b) {
                p.bande[b].gai = gai[b];
                lineari[b] = std::pow(10.0, gai[b] / 20);
            }
            const omb::Progetto d = omb::progetta(p, kSr);
            const Segnale attesoL = riferimento(d, l, lineari),
                          attesoR = riferimento(d, r, lineari);
            omb::Mb mb;
            imposta(mb, p);
            Segnale yl = l, yr = r;
            passa(mb, yl, yr, 333);
            double picco = 0, scarto = 0;
            for (std::size_t i = 0; i < l.size(); ++i) {
                picco =
                    std::max({picco, std::fabs(double(attesoL[i])), std::fabs(double(attesoR[i]))});
                scarto = std::max({scarto, std::fabs(double(yl[i]) - attesoL[i]),
                                   std::fabs(double(yr[i]) - attesoR[i])});
            }
            EXPECT_GT(picco, 0.1);
            EXPECT_LT(scarto, 1e-6 * picco);
        }
}

TEST(Mb, MiscelaZeroDaLIngressoPerIlGuadagnoDUscita) {
    omb::Params p;
    p.mix = 0;
    p.out = -6;
    p.lock = true;
    p.str = 3;
    p.lim = 4;
    omb::Mb mb;
    imposta(mb, p);
    std::mt19937 caso(7);
    std::normal_distribution<float> rumore(0, 0.3f);
    Segnale l = seno(10, 0.5, 24000), r(24000);
    for (std::size_t i = 0; i < l.size(); ++i) l[i] += rumore(caso), r[i] = rumore(caso);
    const Segnale l0 = l, r0 = r;
    passa(mb, l, r, 333);
    const double k = std::pow(10.0, -6.0 / 20);
    for (std::size_t i = 0; i < l.size(); ++i) {
        ASSERT_EQ(l[i], static_cast<float>(k * l0[i])) << i;
        ASSERT_EQ(r[i], static_cast<float>(k * r0[i])) << i;
    }
}

// A 1 kHz programme whose mid signal sits at `livello` dB, through a window that keeps it between
// -30 and -12 dB; from `fermoDa` seconds on, the hold flag is set.
Segnale programma(double livello, double secondi, double fermoDa = 1e9) {
    omb::Params p = neutri();
    p.inmin = -30, p.inmax = -12;
    omb::Mb mb;
    imposta(mb, p);
    const auto n = static_cast<std::size_t>(secondi * kSr);
    const auto k = std::min(n, static_cast<std::size_t>(fermoDa * kSr));
    Segnale l = seno(1000, std::sqrt(2.0) * std::pow(10.0, livello / 20), n), r = l;
    mb.process(l.data(), r.data(), static_cast<int>(k));
    mb.fermo = true;
    mb.process(l.data() + k, r.data() + k, static_cast<int>(n - k));
    return l;
}

// Window gain in dB over the 0.1 s ending at t seconds.
double finestra(const Segnale& y, double livello, double t) {
    const double a = std::sqrt(2.0) * std::pow(10.0, livello / 20);
    return db(ampiezza(y, 1000, static_cast<std::size_t>((t - 0.1) * kSr), 4800) / a);
}

TEST(Mb, LaFinestraDIngressoTieneIlLivelloNelSuoIntervallo) {
    // At -40 dB: lifted at 6 dB/s up to the lower edge; at -5 dB: brought down to the upper edge.
    const Segnale su = programma(-40, 3), giu = programma(-5, 3);
    EXPECT_NEAR(finestra(su, -40, 0.55), 3.0, 0.15);
    EXPECT_NEAR(finestra(su, -40, 1.05), 6.0, 0.15);
    EXPECT_NEAR(finestra(su, -40, 3), 10.0, 0.05);
    EXPECT_NEAR(finestra(giu, -5, 1) - finestra(giu, -5, 0.5), -3.0, 0.15);
    EXPECT_NEAR(finestra(giu, -5, 3), -7.0, 0.05);
    // Inside the range, below -70 dB, or on hold: the gain stays where it is.
    for (double livello : {-20.0, -80.0}) {
        const Segnale y = programma(livello, 3);
        EXPECT_NEAR(finestra(y, livello, 1.5), finestra(y, livello, 3), 0.001) << livello;
    }
    EXPECT_NEAR(finestra(programma(-80, 3), -80, 3), 0, 0.01);
    const Segnale tenuto = programma(-40, 1.5, 0.5);
    EXPECT_NEAR(finestra(tenuto, -40, 0.7), finestra(tenuto, -40, 1.5), 0.001);
    EXPECT_GT(finestra(tenuto, -40, 1.5), 2.5);
}

// A 775 Hz tone sits in band 3 (400-1500 Hz); the others read far below their gates.
struct Banda3 {
    omb::Mb mb;
    std::size_t t = 0;
    explicit Banda3(const omb::Params& p) { imposta(mb, p); }
    void suona(double a, double secondi) {
        const auto n = static_cast<std::size_t>(secondi * kSr);
        Segnale l = seno(775, a, n, t), r = l;
        passa(mb, l, r);
        t += n;
    }
    double livello() const { return 10 * std::log10(mb.potenza(2)); }
};

omb::Params computer() {
    omb::Params p = neutri();
    for (auto& b : p.bande) b.bon = true;
    p.det = 50;
    return p;
}

TEST(Mb, IlComputerPortaLaBandaAlSuoTetto) {
    omb::Params p = computer();
    p.lock = true;
    p.bande[2].tet = -8;
    Banda3 prova(p);
    prova.suona(0.1624, 2);  // band 3 near -20 dB
    EXPECT_NEAR(prova.livello(), -20, 0.5);
    EXPECT_NEAR(prova.livello() + prova.mb.guadagnoDb(2), -8, 0.05);
    EXPECT_NEAR(prova.mb.guadagnoDb(1), 0, 1e-9);  // gate closed, below-gate gain 0 dB

    p.sumax = 6;  // lifted by at most 6 dB
    imposta(prova.mb, p);
    prova.suona(0.1624, 1);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), 6, 0.01);
    p.sumax = -3;  // a negative limit means no lift at all
    imposta(prova.mb, p);
    prova.suona(0.1624, 1);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), 0, 0.01);

    prova.suona(1.29, 2);  // band 3 near -2 dB: pulled down to -8 dB
    EXPECT_NEAR(prova.livello() + prova.mb.guadagnoDb(2), -8, 0.05);
    EXPECT_LT(prova.mb.guadagnoDb(2), -5);

    // On hold the gain does not move, whatever the level does.
    const double tenuto = prova.mb.guadagnoDb(2);
    prova.mb.fermo = true;
    prova.suona(0.05, 1);
    EXPECT_DOUBLE_EQ(prova.mb.guadagnoDb(2), tenuto);

    // A band that is off aims at 0 dB, but still follows the couplings.
    prova.mb.fermo = false;
    p.bande[2].bon = false;
    imposta(prova.mb, p);
    prova.suona(1.29, 2);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), 0, 1e-4);
    for (std::size_t b : {0u, 1u, 3u, 4u}) p.bande[b].sot = -5, p.bande[b].sog = 0;
    p.unione = 1;
    imposta(prova.mb, p);
    prova.suona(1.29, 1);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), -4, 0.01);
    EXPECT_NEAR(prova.mb.guadagnoDb(0), -4, 0.01);
}

TEST(Mb, SenzaBloccoComprimeColRapportoSottoIlTetto) {
    omb::Params p = computer();
    p.bande[2].sog = -40, p.bande[2].rap = 4, p.bande[2].tet = -6;
    Banda3 prova(p);
    prova.suona(0.1624, 2);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), -(prova.livello() + 40) * 0.75, 0.05);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), -15, 0.5);

    // Near -2 dB the ratio alone would leave the band above its ceiling: the ceiling wins.
    p.bande[2].sog = -10, p.bande[2].rap = 1.5;
    imposta(prova.mb, p);
    prova.suona(1.29, 2);
    EXPECT_NEAR(prova.livello() + prova.mb.guadagnoDb(2), -6, 0.05);
    p.giumax = 3;
    imposta(prova.mb, p);
    prova.suona(1.29, 1);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), -3, 0.01);
}

// Silent bands take their below-gate gains; the couplings then act on those.
std::array<double, 5> silenzio(omb::Params p, std::array<double, 5> sot, bool fermo = false) {
    for (std::size_t b = 0; b < 5; ++b)
        p.bande[b].sot = sot[b], p.bande[b].att = p.bande[b].ril = 1;
    omb::Mb mb;
    imposta(mb, p);
    mb.fermo = fermo;
    Segnale l(9600, 0.0f), r = l;
    passa(mb, l, r);
    std::array<double, 5> g;
    for (int b = 0; b < 5; ++b) g[static_cast<std::size_t>(b)] = mb.guadagnoDb(b);
    return g;
}

void vicino(const std::array<double, 5>& a, const std::array<double, 5>& b) {
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << "band " << i + 1;
}

TEST(Mb, AccoppiamentiTraLeBande) {
    omb::Params p = computer();
    vicino(silenzio(p, {-10, 0, 3, 0, 0}), {-10, 0, 3, 0, 0});
    vicino(silenzio(p, {-30, 20, 0, 0, 0}), {-18, 12, 0, 0, 0});    // giumax and sumax
    vicino(silenzio(p, {-10, 0, 3, 0, 0}, true), {0, 0, 0, 0, 0});  // hold
    omb::Params q = p;
    q.sbav = 1;
    vicino(silenzio(q, {-10, 0, 0, 0, 0}), {-7.5, -2.5, 0, 0, 0});
    q = p, q.unione = 1;
    vicino(silenzio(q, {-10, 0, 5, 0, 0}), {-1, -1, -1, -1, -1});
    q = p, q.acc = 1;
    vicino(silenzio(q, {0, -4, -8, 0, 4}), {-2, -4, -8, 0, 4});
    q = p, q.acc34 = 1;
    vicino(silenzio(q, {0, 0, -7, 0, 0}), {0, 0, -7, -7, 0});
    q = p, q.lib = 3;
    vicino(silenzio(q, {-12, 0, 0, 0, 0}), {-5.4, 0, 0, 0, 0});
    q = p, q.lib = 23.5;
    vicino(silenzio(q, {-12, 0, 0, 0, 0}), {-12, 0, 0, 0, 0});
}

TEST(Mb, LaStrettaChiudeLoScartoEDivideIlGuadagno) {
    omb::Params p = computer();
    p.sumax = p.giumax = 0;  // slow gains held at 0 dB
    p.det = p.strms = 25;    // both detectors read the same level
    Banda3 prova(p);
    prova.suona(0.3, 0.5);
    for (int b = 0; b < 5; ++b) EXPECT_EQ(prova.mb.guadagnoDb(b), 0);  // str 1: off

    p.bande[2].tet = prova.livello() - 10;  // the band sits 4 dB above ceiling + 6 dB
    p.str = 2, p.strsog = 6, p.strleg = 0, p.strcom = 0;
    imposta(prova.mb, p);
    prova.suona(0.3, 0.5);
    EXPECT_NEAR(prova.mb.guadagnoDb(2), -2, 0.02);
    EXPECT_NEAR(prova.mb.guadagnoDb(1), 0, 1e-9);

    p.strcom = 1;  // all of it common to the programme, even on hold
    imposta(prova.mb, p);
    prova.mb.fermo = true;
    prova.suona(0.3, 0.5);
    for (int b = 0; b < 5; ++b) EXPECT_NEAR(prova.mb.guadagnoDb(b), -0.4, 0.01) << b;

    p.strcom = 0, p.strleg = 0.23;  // spread to the neighbours, less to the far bands
    imposta(prova.mb, p);
    prova.suona(0.3, 0.5);
    const auto& g = prova.mb;
    EXPECT_NEAR(g.guadagnoDb(1), g.guadagnoDb(3), 1e-9);
    EXPECT_NEAR(g.guadagnoDb(0), g.guadagnoDb(4), 1e-9);
    EXPECT_LT(g.guadagnoDb(2), g.guadagnoDb(1));
    EXPECT_LT(g.guadagnoDb(1), g.guadagnoDb(0));
    EXPECT_LT(g.guadagnoDb(0), 0);
}

struct CasoMuro {
    std::size_t banda;
    std::array<double, 4> xo;
    double f, tetto;
};

TEST(Mb, IlMuroFermaIPicchiDiOgniBanda) {
    // One band holds the tone; its make-up gain pushes it four times over its wall.
    const CasoMuro casi[] = {{0, {1000, 2000, 4000, 8000}, 250, 2.0},
                             {1, {100, 2000, 4000, 8000}, 447, std::sqrt(2.0)},
                             {2, {100, 200, 4000, 8000}, 894, 1.0},
                             {4, {100, 400, 1500, 2000}, 8000, 1.0}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.banda + 1);
        omb::Params p = computer();
        p.sumax = p.giumax = 0;
        p.xo = c.xo;
        p.lim = 8, p.limgr = 6;
        for (auto& b : p.bande) b.tet = -8;
        p.bande[c.banda].gai = db(4 * c.tetto / 0.5);
        omb::Mb mb;
        imposta(mb, p);
        Segnale l = seno(c.f, 0.5, 9600), r = l;
        for (int i = 0; i < 480; ++i) l[std::size_t(i)] *= float(i) / 480;  // no click
        const auto fine = l.size();
        Segnale coda = seno(c.f, 0.5 / 8, 4800, fine);  // then a tone at half the wall
        l.insert(l.end(), coda.begin(), coda.end());
        r = l;
        passa(mb, l, r, 100);
        float picco = 0;
        for (std::size_t i = 0; i < fine; ++i) picco = std::max(picco, std::fabs(l[i]));
        EXPECT_LE(picco, c.tetto * 1.005);  // not one sample through, from the first
        EXPECT_GE(picco, c.tetto * 0.99);
        // Release: 2 x m_limrel on band 1, 0.6 x on band 5.
        const double tau = 0.025 * (c.banda == 0   ? 2.0
                                    : c.banda == 1 ? 1.4
                                    : c.banda == 2 ? 1.0
                                                   : 0.6);
        const std::size_t dopo = 1200, periodo = static_cast<std::size_t>(kSr / c.f) + 2;
        float p2 = 0;
        for (std::size_t i = fine + dopo - periodo; i < fine + dopo; ++i)
            p2 = std::max(p2, std::fabs(l[i]));
        const double atteso = 1 - 0.75 * std::exp(-double(dopo) / kSr / tau);
        EXPECT_NEAR(p2 / (c.tetto / 2), atteso, 0.03);
    }
    // m_lim 24: no wall at all.
    omb::Params p = computer();
    p.sumax = p.giumax = 0;
    p.xo = {100, 200, 4000, 8000};
    p.bande[2].gai = 12;
    omb::Mb mb;
    imposta(mb, p);
    p.lim = 24;
    imposta(mb, p);
    Segnale l = seno(894, 0.5, 9600), r = l;
    passa(mb, l, r);
    EXPECT_GT(*std::max_element(l.begin(), l.end()), 1.9f);
}

// A busy programme with every part of the stage at work.
Segnale musica(std::size_t n, unsigned seme) {
    std::mt19937 caso(seme);
    std::normal_distribution<double> rumore(0, 0.05);
    Segnale s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / kSr;
        s[i] = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 60 * t) *
                                      (0.6 + 0.4 * std::sin(3 * t)) +
                                  0.2 * std::sin(2 * std::numbers::pi * 2500 * t) + rumore(caso));
    }
    return s;
}

omb::Params operoso() {
    omb::Params p;
    p.lock = true;
    p.pend = 4;
    p.str = 2.5, p.strsog = -3;
    p.sbav = 0.3, p.unione = 0.4, p.acc = 0.2, p.acc34 = 0.5, p.lib = 6;
    p.lim = 4, p.limgr = 3;
    p.bande[1].bon = false;
    p.bande[3].gai = 2;
    p.mix = 0.8;
    return p;
}

// The stage runs each step over pieces of the block that end at a decision, where filter
// histories may be cleared: for both slopes, through a decay into silence and back, any block
// length gives what one sample at a time gives.
TEST(Mb, ABloccoOCampionePerCampioneLoStessoSuono) {
    Segnale ml = musica(24000, 11), mr = musica(24000, 12);
    ml.resize(24000 + 150000, 0.0f), mr.resize(ml.size(), 0.0f);
    const Segnale cl = musica(12000, 13), cr = musica(12000, 14);
    for (std::size_t i = 0; i < cl.size(); ++i)
        ml[160000 + i] = cl[i] * 1e-4f, mr[160000 + i] = cr[i] * 1e-4f;
    for (int pend : {24, 48}) {
        omb::Params p = operoso();
        p.pend = pend >= 36 ? 4 : 2;
        std::vector<Segnale> uscite;
        for (std::size_t blocco : {1u, 37u, 4096u}) {
            omb::Mb mb;
            imposta(mb, p);
            Segnale l = ml, r = mr;
            passa(mb, l, r, blocco);
            l.insert(l.end(), r.begin(), r.end());
            uscite.push_back(l);
        }
        for (const auto& u : uscite) EXPECT_EQ(u, uscite[0]) << pend;
    }
}

TEST(Mb, IBlocchiNonContanoEAzzeraRiparte) {
    const Segnale ml = musica(48000, 1), mr = musica(48000, 2);
    std::vector<Segnale> uscite;
    for (std::size_t blocco : {1u, 7u, 32u, 480u, 48000u}) {
        omb::Mb mb;
        imposta(mb, operoso());
        Segnale l = ml, r = mr;
        passa(mb, l, r, blocco);
        uscite.push_back(l);
    }
    for (const auto& u : uscite) EXPECT_EQ(u, uscite[0]);

    // After a reset the stage behaves as a fresh one; a fresh one runs the default design.
    omb::Mb usato;
    imposta(usato, operoso());
    Segnale l = ml, r = mr;
    passa(usato, l, r);
    usato.azzera();
    l = ml, r = mr;
    passa(usato, l, r);
    EXPECT_EQ(l, uscite[0]);

    omb::Mb nuovo, progettato;
    imposta(progettato, omb::Params{});
    progettato.azzera();
    Segnale a = ml, b = mr, c = ml, d = mr;
    passa(nuovo, a, b);
    passa(progettato, c, d);
    EXPECT_EQ(a, c);
    EXPECT_EQ(nuovo.guadagnoDb(7), 0);
    EXPECT_EQ(nuovo.gai(-1), 0);
    EXPECT_GT(nuovo.potenza(2), 1e-6);
}

TEST(Mb, NonAllocaENonRestaSubnormaleNelSilenzio) {
    omb::Mb mb;
    omb::Progetto a = omb::progetta(operoso(), kSr), b = omb::progetta(omb::Params{}, kSr);
    Segnale l = musica(48000, 3), r = musica(48000, 4);
    contaAllocazioni::azzera();
    contaAllocazioni::segui(true);
    mb.adotta(a);
    mb.process(l.data(), r.data(), 24000);
    mb.adotta(b);  // 48 -> 24 dB/oct, on the run
    mb.process(l.data() + 24000, r.data() + 24000, 24000);
    mb.adotta(a);
    mb.azzera();
    contaAllocazioni::segui(false);
    EXPECT_EQ(contaAllocazioni::allocazioni(), 0u);
    for (float x : l) ASSERT_TRUE(std::isfinite(x));

    // A minute of digital silence after music leaves no subnormal value in any history.
    l = musica(48000, 5), r = musica(48000, 6);
    passa(mb, l, r);
    Segnale zl(48000, 0.0f), zr = zl;
    for (int s = 0; s < 60; ++s) {
        std::fill(zl.begin(), zl.end(), 0.0f);
        std::fill(zr.begin(), zr.end(), 0.0f);
        passa(mb, zl, zr);
    }
    EXPECT_EQ(mb.contaSubnormali(), 0);
    EXPECT_EQ(*std::max_element(zl.begin(), zl.end()), 0.0f);
}

TEST(Mb, DopoUnaRaffcaDiNaNIlSuonoTorna) {
    for (float guasto :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        omb::Mb mb;
        imposta(mb, operoso());
        Segnale l = musica(96000, 8), r = musica(96000, 9);
        for (std::size_t i = 20000; i < 20100; ++i) l[i] = guasto;
        passa(mb, l, r, 256);
        for (std::size_t i = 20100 + 32; i < l.size(); ++i) {
            ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
        }
        double e = 0;
        for (std::size_t i = 48000; i < 96000; ++i) e += double(l[i]) * l[i];
        EXPECT_GT(e / 48000, 1e-3);  // sound, not silence
    }
}

}  // namespace
