#include "max/max.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <complex>
#include <cstdint>
#include <iostream>
#include <limits>
#include <numbers>
#include <vector>

#include "conta_allocazioni.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {

using velmora::Archivio;
using velmora::Parametri;

constexpr double PI = std::numbers::pi;

struct Coppia {
    std::vector<float> l, r;
};

omax::Params leggi(const Parametri& p) {
    return omax::leggi(Archivio(p));
}

// Broadcast mode with the keys given on top.
// Every block of the final stage on, with the phase rotator at `rot` sections.
Parametri conTuttiIBlocchi(double rot) {
    return {{"x_rot", rot},  {"x_shape", 60},  {"x_arm", 8},     {"x_mafix", -2}, {"x_madin", -4},
            {"x_bsfix", -1}, {"x_bsdin", -5},  {"x_bcdb", 6},    {"x_pre", 50},   {"x_hfdb", -6},
            {"x_clip", 4},   {"x_spazio", 60}, {"x_top", 15000}, {"x_in", 6},     {"x_mix", 90}};
}

omax::Params radio(Parametri p) {
    p["x_radio"] = 1;
    return leggi(p);
}

void prepara(omax::Max& m, const omax::Params& p, double sr) {
    auto pr = omax::progetta(p, sr);
    m.adotta(pr);
    m.azzera();
}

Coppia seno(double f, double a, double sr, int n, int da = 0) {
    Coppia c;
    for (int i = 0; i < n; ++i) {
        const auto v = static_cast<float>(a * std::sin(2 * PI * f * (i + da) / sr));
        c.l.push_back(v);
        c.r.push_back(v);
    }
    return c;
}

Coppia rumore(int n, double a, std::uint32_t seme = 7) {
    Coppia c;
    auto prossimo = [&seme, a] {
        seme = seme * 1664525u + 1013904223u;
        return static_cast<float>(a * ((seme >> 8) / double(1u << 24) * 2 - 1));
    };
    for (int i = 0; i < n; ++i) {
        c.l.push_back(prossimo());
        c.r.push_back(prossimo());
    }
    return c;
}

// Processes in blocks of varying length so that block edges fall everywhere.
void elabora(omax::Max& m, Coppia& c) {
    const int lunghezze[] = {1, 7, 64, 256, 1000, 33};
    std::size_t i = 0;
    for (int k = 0; i < c.l.size(); ++k) {
        const auto n =
            std::min<std::size_t>(static_cast<std::size_t>(lunghezze[k % 6]), c.l.size() - i);
        m.process(c.l.data() + i, c.r.data() + i, static_cast<int>(n));
        i += n;
    }
}

double picco(const std::vector<float>& v, std::size_t da, std::size_t a = SIZE_MAX) {
    double p = 0;
    for (std::size_t i = da; i < std::min(a, v.size()); ++i)
        p = std::max(p, std::fabs(static_cast<double>(v[i])));
    return p;
}

// Amplitude of the component at f over [da, v.size()).
double ampiezza(const std::vector<float>& v, std::size_t da, double f, double sr) {
    std::complex<double> s = 0;
    for (std::size_t i = da; i < v.size(); ++i)
        s += static_cast<double>(v[i]) * std::polar(1.0, -2 * PI * f * static_cast<double>(i) / sr);
    return 2 * std::abs(s) / static_cast<double>(v.size() - da);
}

double db(double x) {
    return 20 * std::log10(x);
}

TEST(Max, LetturaDelleChiaviEModoRadio) {
    // Listening mode ignores the three broadcast keys, whatever they say.
    const auto a = leggi({{"x_tosaon", 1}, {"x_limit", 1}, {"x_ant", 20}});
    EXPECT_FALSE(a.tosaon);
    EXPECT_FALSE(a.limit);
    EXPECT_EQ(a.ant, 0);
    const auto b = radio({});
    EXPECT_TRUE(b.tosaon);
    EXPECT_TRUE(b.limit);
    EXPECT_EQ(b.ant, 10);
    const auto c = radio({{"x_tosaon", 0}, {"x_limit", 0.4}, {"x_ant", 3}});
    EXPECT_FALSE(c.tosaon);
    EXPECT_FALSE(c.limit);
    EXPECT_EQ(c.ant, 3);
    EXPECT_EQ(leggi({{"x_rot", 2.5}}).rot, 3);
    EXPECT_EQ(leggi({{"x_rot", 2.49}}).rot, 2);
    EXPECT_EQ(leggi({{"x_rot", -2.5}}).rot, -3);
    EXPECT_EQ(leggi({{"x_rot", 1e300}}).rot, 1000000000);
    EXPECT_DOUBLE_EQ(leggi({{"x_mix", 50}, {"x_spazio", 20}, {"x_shape", 40}}).mix, 0.5);

    EXPECT_EQ(omax::lunghezzaAnticipo(0.5, 48000), 24);
    EXPECT_EQ(omax::lunghezzaAnticipo(10, 48000), 480);
    EXPECT_EQ(omax::lunghezzaAnticipo(0, 48000), 1);
    EXPECT_EQ(omax::lunghezzaAnticipo(-5, 48000), 1);
    EXPECT_EQ(omax::lunghezzaAnticipo(1e12, 48000), 48000);  // bounded, no huge buffers
}

TEST(Max, AscoltoPredefinitoRitardaDiUnCampioneEAttenuaDiUnDecibel) {
    const double C = std::pow(10.0, -1.0 / 20);
    for (double sr : {44100.0, 48000.0, 96000.0}) {
        omax::Max m;
        // Settings that act only in broadcast mode must change nothing here.
        prepara(m,
                leggi({{"x_tosaon", 1},
                       {"x_limit", 1},
                       {"x_spazio", 100},
                       {"x_clip", 6},
                       {"x_top", 12000},
                       {"x_arm", 0.01}}),
                sr);
        const Coppia in = rumore(5000, 1.5);
        Coppia c = in;
        elabora(m, c);
        EXPECT_EQ(c.l[0], 0.0f);
        EXPECT_EQ(c.r[0], 0.0f);
        for (std::size_t i = 1; i < in.l.size(); ++i) {
            ASSERT_EQ(c.l[i], static_cast<float>(in.l[i - 1] * C)) << i;
            ASSERT_EQ(c.r[i], static_cast<float>(in.r[i - 1] * C)) << i;
        }
        EXPECT_EQ(m.limitatoreDb(), 0.0);
    }
}

TEST(Max, OggettoNuovoEAzzeraSonoSicuri) {
    // Never adopted: processes with the default design.
    omax::Max nuovo;
    Coppia c = rumore(20000, 4.0);
    elabora(nuovo, c);
    for (float v : c.l) ASSERT_TRUE(std::isfinite(v));

    // After loud material with every block on, azzera leaves no trace: the stage then answers
    // exactly like a fresh one.
    const auto p = radio(conTuttiIBlocchi(4));
    omax::Max usato, pulito;
    prepara(usato, p, 48000);
    prepara(pulito, p, 48000);
    Coppia sporco = rumore(30000, 2.0, 99);
    elabora(usato, sporco);
    usato.azzera();
    Coppia a = rumore(20000, 0.7, 3), b = a;
    elabora(usato, a);
    elabora(pulito, b);
    EXPECT_EQ(a.l, b.l);
    EXPECT_EQ(a.r, b.r);
    EXPECT_EQ(usato.tosaturaDb(), pulito.tosaturaDb());
    EXPECT_EQ(usato.limitatoreDb(), pulito.limitatoreDb());
}

TEST(Max, LaLunghezzaDeiBlocchiNonCambiaIlSuono) {
    const auto p = radio(conTuttiIBlocchi(3));
    omax::Max a, b;
    prepara(a, p, 48000);
    prepara(b, p, 48000);
    Coppia x = rumore(30000, 1.5, 21), y = x;
    for (std::size_t i = 0; i < x.l.size(); ++i) a.process(x.l.data() + i, x.r.data() + i, 1);
    b.process(y.l.data(), y.r.data(), 30000);
    EXPECT_EQ(x.l, y.l);
    EXPECT_EQ(x.r, y.r);
    EXPECT_EQ(a.tosaturaDb(), b.tosaturaDb());
    EXPECT_EQ(a.limitatoreDb(), b.limitatoreDb());
}

TEST(Max, AdottaConservaLeLineeSeLaLunghezzaNonCambia) {
    auto p = radio({{"x_limit", 0}, {"x_ant", 10}});
    omax::Max m, continuo;
    prepara(m, p, 48000);
    prepara(continuo, p, 48000);
    Coppia a = seno(440, 0.5, 48000, 2000), b = a;
    m.process(a.l.data(), a.r.data(), 1000);
    continuo.process(b.l.data(), b.r.data(), 2000);

    // 10.01 ms is still 480 samples: nothing is cleared and nothing is allocated.
    p.ant = 10.01;
    auto stesso = omax::progetta(p, 48000);
    p.ant = 5;
    auto corto = omax::progetta(p, 48000);
    contaAllocazioni::azzera();
    contaAllocazioni::segui(true);
    m.adotta(stesso);
    m.process(a.l.data() + 1000, a.r.data() + 1000, 1000);
    m.adotta(corto);
    contaAllocazioni::segui(false);
    EXPECT_EQ(contaAllocazioni::allocazioni(), 0u);
    EXPECT_EQ(contaAllocazioni::liberazioni(), 0u);
    EXPECT_EQ(a.l, b.l);
    // The old, longer lines stay with the design for the main thread to free.
    EXPECT_EQ(corto.minValori.size(), 480u);

    // A new length restarts the delay from silence.
    Coppia c = seno(440, 0.5, 48000, 600);
    m.process(c.l.data(), c.r.data(), 600);
    EXPECT_EQ(picco(c.l, 0, 240), 0.0);
    EXPECT_GT(picco(c.l, 240), 0.4);
}

// The output section as the plain ring scan: the reference for the running minimum.
struct Riferimento {
    std::int32_t N = 1;
    std::vector<float> ritardo, secco, anello;
    std::int32_t pos = 0, posAnello = 0;
    double g = 1;

    void dimensiona(std::int32_t n) {
        N = n;
        ritardo.assign(2 * static_cast<std::size_t>(n), 0.0f);
        secco.assign(2 * static_cast<std::size_t>(n), 0.0f);
        anello.assign(static_cast<std::size_t>(n), 1.0f);
        pos = posAnello = 0;
    }
    void elabora(const omax::Disegno& d, float* l, float* r, int n) {
        for (int i = 0; i < n; ++i) {
            const float xl = l[i], xr = r[i];
            const double L = xl * d.gIn, R = xr * d.gIn;
            const auto j = 2 * static_cast<std::size_t>(pos);
            const double rL = ritardo[j], rR = ritardo[j + 1], sL = secco[j], sR = secco[j + 1];
            ritardo[j] = static_cast<float>(L);
            ritardo[j + 1] = static_cast<float>(R);
            secco[j] = xl;
            secco[j + 1] = xr;
            pos = (pos + 1) % N;
            double a = d.tetto;
            if (d.limit) {
                const double pk = std::max(std::fabs(L), std::fabs(R));
                anello[static_cast<std::size_t>(posAnello)] =
                    pk > d.tetto && pk > 1e-12 ? static_cast<float>(d.tetto / pk) : 1.0f;
                posAnello = (posAnello + 1) % N;
                double m = 1;
                for (float v : anello) m = std::min(m, static_cast<double>(v));
                g += (m - g) * (m < g ? d.limAtt : d.limRil);
                a = g;
            } else {
                g = 1;
            }
            l[i] = static_cast<float>(a * rL * d.mix + (1 - d.mix) * sL);
            r[i] = static_cast<float>(a * rR * d.mix + (1 - d.mix) * sR);
        }
    }
};

TEST(Max, MinimoScorrevoleUgualeAllaScansioneDellAnello) {
    // Clipping half off: the stage is the input drive and the output section alone.
    Parametri chiavi{{"x_tosaon", 0}, {"x_in", 3}, {"x_mix", 80}, {"x_ant", 10}, {"x_rel", 40}};
    omax::Max m;
    Riferimento rif;
    // Bursts of different levels, so that the window minimum keeps moving.
    Coppia segnale = rumore(48000 * 3, 1.0, 5);
    for (std::size_t i = 0; i < segnale.l.size(); ++i) {
        const double inviluppo = 0.2 + 2.5 * std::fabs(std::sin(static_cast<double>(i) * 0.0007)) *
                                           std::fabs(std::sin(static_cast<double>(i) * 0.00011));
        segnale.l[i] = static_cast<float>(segnale.l[i] * inviluppo);
        segnale.r[i] = static_cast<float>(segnale.r[i] * inviluppo * 0.7);
    }
    Coppia uscita = segnale, attesa = segnale;
    // Length kept, limiter off and on again (stale ring entries), then a new length.
    const std::vector<std::pair<const char*, double>> passi = {
        {"x_ant", 10}, {"x_ant", 10.01}, {"x_limit", 0}, {"x_limit", 1}, {"x_ant", 3}};
    const std::size_t tratto = segnale.l.size() / passi.size();
    for (std::size_t k = 0; k < passi.size(); ++k) {
        chiavi[passi[k].first] = passi[k].second;
        auto pr = omax::progetta(radio(chiavi), 48000);
        if (pr.d.N != rif.N) rif.dimensiona(pr.d.N);
        m.adotta(pr);
        const std::size_t da = k * tratto,
                          a = k + 1 == passi.size() ? segnale.l.size() : da + tratto;
        for (std::size_t i = da; i < a; i += 512) {
            const int n = static_cast<int>(std::min<std::size_t>(512, a - i));
            m.process(uscita.l.data() + i, uscita.r.data() + i, n);
            rif.elabora(m.disegno(), attesa.l.data() + i, attesa.r.data() + i, n);
        }
    }
    EXPECT_EQ(uscita.l, attesa.l);
    EXPECT_EQ(uscita.r, attesa.r);
    EXPECT_EQ(m.limitatoreDb(), 20 * std::log10(std::max(rif.g, 1e-6)));
}

TEST(Max, IlLimitatoreTieneIlTettoConIlSuoAnticipo) {
    const double C = std::pow(10.0, -1.0 / 20);
    omax::Max m;
    prepara(m, radio({}), 48000);
    Coppia c = seno(1000, 2.0, 48000, 48000);
    elabora(m, c);
    EXPECT_LE(picco(c.l, 9600), C * (1 + 1e-6));
    EXPECT_GE(picco(c.l, 9600), C * 0.995);
    EXPECT_NEAR(m.limitatoreDb(), db(C / 2), 0.05);

    // A lone sample at twice the ceiling: its gain of 0.5 is wanted for N samples while the gain
    // heads there with the attack; when the sample leaves, the release has just begun.
    prepara(m, radio({{"x_ant", 5}}), 48000);
    Coppia uno{std::vector<float>(2000, 0.0f), std::vector<float>(2000, 0.0f)};
    uno.l[100] = static_cast<float>(2 * C);
    m.process(uno.l.data(), uno.r.data(), 2000);
    double g = 0.5 + 0.5 * std::pow(1 - m.disegno().limAtt, 240);
    g += (1 - g) * m.disegno().limRil;
    EXPECT_NEAR(uno.l[340], 2 * C * g, 1e-6);
    EXPECT_GT(uno.l[340], C);
    EXPECT_EQ(picco(uno.l, 0, 340), 0.0);
    EXPECT_EQ(picco(uno.l, 341), 0.0);

    // Limiter off: `out` is a plain gain, whatever the level.
    prepara(m, radio({{"x_limit", 0}}), 48000);
    Coppia forte = seno(1000, 4.0, 48000, 4800), orig = forte;
    elabora(m, forte);
    for (std::size_t i = 480; i < forte.l.size(); ++i)
        ASSERT_EQ(forte.l[i], static_cast<float>(orig.l[i - 480] * C));
    EXPECT_EQ(m.limitatoreDb(), 0.0);
}

TEST(Max, SovraelongazioneDelLimitatoreSuUnGradino) {
    // Not a brick wall: the gain only covers 1 − e^(−2) of its way in the look-ahead time.
    const double C = std::pow(10.0, -1.0 / 20);
    for (double sr : {44100.0, 48000.0, 96000.0}) {
        for (bool continua : {true, false}) {
            omax::Max m;
            prepara(m, radio({}), sr);
            Coppia c = seno(1000, 2.0, sr, static_cast<int>(sr));
            if (continua) {
                std::fill(c.l.begin(), c.l.end(), 2.0f);
                c.r = c.l;
            }
            std::fill(c.l.begin(), c.l.begin() + 4800, 0.0f);
            std::fill(c.r.begin(), c.r.begin() + 4800, 0.0f);
            elabora(m, c);
            const double sopra = db(picco(c.l, 0) / C);
            std::cout << "step to +6 dBFS (" << (continua ? "DC" : "1 kHz") << ", " << sr
                      << " Hz): overshoot " << sopra << " dB\n";
            EXPECT_GT(sopra, 0.5);
            EXPECT_LT(sopra, 1.6);
        }
    }
}

TEST(Max, LaTangenteIperbolicaDellaSaturazioneSegueQuellaDellaLibreria) {
    auto th = [](double a, double b) { return omax::tangenteIperbolica(velmora::Coppia{a, b}); };
    double peggiore = 0;
    for (double a = 1e-300; a < 60; a *= 1.001) {
        const velmora::Coppia y = th(a, -a * 1.00005);
        peggiore = std::max({peggiore, std::fabs(y[0] - std::tanh(a)) / std::tanh(a),
                             std::fabs(y[1] - std::tanh(-a * 1.00005)) / std::tanh(a * 1.00005)});
    }
    EXPECT_LT(peggiore, 1e-15);
    const double inf = std::numeric_limits<double>::infinity();
    const velmora::Coppia z = th(0.0, -0.0), u = th(1e300, -inf), n = th(std::nan(""), 0.5);
    EXPECT_FALSE(std::signbit(z[0]));
    EXPECT_TRUE(std::signbit(z[1]));
    EXPECT_EQ(u[0], 1.0);
    EXPECT_EQ(u[1], -1.0);
    EXPECT_TRUE(std::isnan(n[0]));
    EXPECT_EQ(n[1], std::tanh(0.5));
}

TEST(Max, Tosa2xSegueLaCurvaMorbida) {
    omax::Max m;
    const double T = 0.5;
    // Constant input: the oversampling filters settle to the curve itself.
    const double casi[][2] = {{0.425, 0.425}, {0.5, 0.48125}, {0.575, 0.5},
                              {2.0, 0.5},     {-2.0, -0.5},   {-0.4, -0.4}};
    for (const auto& k : casi) {
        double y0 = 0, y1 = 0;
        for (int i = 0; i < 3000; ++i) {
            y0 = m.tosa2x(k[0], 0, T);
            y1 = m.tosa2x(-k[0] * 0.1, 1, T);  // the other channel has its own filters
        }
        EXPECT_NEAR(y0, k[1], 1e-9) << k[0];
        EXPECT_NEAR(y1, -k[0] * 0.1, 1e-9);
    }
    // A threshold at or below 1e-9 lets everything through.
    double y = 0;
    for (int i = 0; i < 3000; ++i) y = m.tosa2x(0.3, 0, 1e-10);
    EXPECT_NEAR(y, 0.3, 1e-9);
}

TEST(Max, LaSogliaDelClipperSegue118VolteIlPiccoRecente) {
    omax::Max m;
    prepara(m, radio({{"x_clip", 6}}), 48000);
    const double A = 0.5, T = 1.18 * A * std::pow(10.0, -6.0 / 20);
    Coppia c = seno(100, A, 48000, 48000);
    elabora(m, c);
    EXPECT_NEAR(picco(c.l, 24000), T, 0.01 * T);
    EXPECT_LT(m.tosaturaDb(), db(T / A) + 0.5);
    // A quarter of the level: under the remembered threshold at first, clipped again once the
    // follower has fallen (1.5 s time constant).
    Coppia piano = seno(100, A / 4, 48000, 48000 * 10, 48000);
    elabora(m, piano);
    EXPECT_NEAR(picco(piano.l, 480, 4800), A / 4, 0.005 * A);
    EXPECT_NEAR(picco(piano.l, 48000 * 9), 1.18 * (A / 4) * std::pow(10.0, -6.0 / 20), 0.01 * T);

    // A clip of 0.01 dB or less clips nothing and leaves the read-out where it was.
    const double lettura = m.tosaturaDb();
    auto p = radio({{"x_clip", 0.01}, {"x_limit", 0}, {"x_out", 0}});
    auto pr = omax::progetta(p, 48000);
    m.adotta(pr);
    Coppia forte = seno(100, 0.9, 48000, 9600), orig = forte;
    elabora(m, forte);
    EXPECT_EQ(forte.l[5000], orig.l[5000 - 480]);
    EXPECT_EQ(m.tosaturaDb(), lettura);
}

TEST(Max, EnfasiEDeenfasiSiAnnullano) {
    omax::Max m;
    prepara(m, radio({{"x_pre", 75}, {"x_limit", 0}, {"x_out", 0}}), 48000);
    const Coppia in = rumore(20000, 0.8);
    Coppia c = in;
    elabora(m, c);
    for (std::size_t i = 480; i < in.l.size(); ++i) {
        ASSERT_NEAR(c.l[i], in.l[i - 480], 2e-6);
        ASSERT_NEAR(c.r[i], in.r[i - 480], 2e-6);
    }
    // 1 µs or less: neither section runs.
    prepara(m, radio({{"x_pre", 1}, {"x_limit", 0}, {"x_out", 0}}), 48000);
    c = in;
    elabora(m, c);
    for (std::size_t i = 480; i < in.l.size(); ++i) ASSERT_EQ(c.l[i], in.l[i - 480]);
}

TEST(Max, TaglioInCima) {
    auto risposta = [](double top, double f, double sr) {
        omax::Max m;
        prepara(m, radio({{"x_top", top}, {"x_limit", 0}, {"x_out", 0}}), sr);
        Coppia c = seno(f, 0.5, sr, static_cast<int>(sr / 2));
        elabora(m, c);
        return db(ampiezza(c.l, c.l.size() / 2, f, sr) / 0.5);
    };
    EXPECT_NEAR(risposta(15000, 15000, 48000), -12.0, 0.05);
    EXPECT_NEAR(risposta(15000, 15000, 96000), -12.0, 0.05);
    EXPECT_LT(risposta(15000, 30000, 96000), -48.0);
    EXPECT_NEAR(risposta(15000, 1000, 48000), 0.0, 0.01);
    // Out of range: no cut at all.
    for (double top : {100.0, 19500.0, 20000.0}) EXPECT_NEAR(risposta(top, 15000, 48000), 0, 1e-3);
}

TEST(Max, LoSpazioLasciaIntattoIlMono) {
    omax::Max m;
    const auto p = radio({{"x_spazio", 100}, {"x_limit", 0}, {"x_out", 0}});
    prepara(m, p, 48000);
    const Coppia in = rumore(20000, 0.8);
    Coppia mono{in.l, in.l};
    elabora(m, mono);
    for (std::size_t i = 480; i < in.l.size(); ++i) {
        ASSERT_EQ(mono.l[i], in.l[i - 480]);
        ASSERT_EQ(mono.r[i], in.l[i - 480]);
    }
    // The side: removed below 150 Hz, raised by up to 6 times above the corner.
    auto lato = [&](double f) {
        prepara(m, p, 48000);
        Coppia c = seno(f, 0.1, 48000, 24000);
        for (float& v : c.r) v = -v;
        elabora(m, c);
        return db(ampiezza(c.l, 12000, f, 48000) / 0.1);
    };
    EXPECT_LT(lato(50), -30);
    // Just under 6 times: the smoother still leaks a little at 12 kHz.
    EXPECT_GT(lato(12000), 14.0);
    EXPECT_LT(lato(12000), 20 * std::log10(6.0));
}

TEST(Max, LaCampanaDeiMedioAltiScendeQuandoSpingono) {
    // Works in listening mode too; out at 0 dB so the bell is all there is.
    auto guadagno = [](double a) {
        omax::Max m;
        prepara(m, leggi({{"x_mafix", -3}, {"x_madin", -6}, {"x_out", 0}}), 48000);
        Coppia c = seno(2400, a, 48000, 48000 * 3);
        elabora(m, c);
        return db(ampiezza(c.l, 48000 * 2, 2400, 48000) / a);
    };
    EXPECT_NEAR(guadagno(1.0), -9.0, 0.2);
    EXPECT_NEAR(guadagno(0.01), -3.0, 0.2);
}

TEST(Max, ArmonicheDelBasso) {
    auto seconda = [](double arm) {
        omax::Max m;
        prepara(m, leggi({{"x_arm", arm}, {"x_out", 0}}), 48000);
        Coppia c = seno(60, 0.5, 48000, 48000);
        elabora(m, c);
        return ampiezza(c.l, 24000, 120, 48000);
    };
    EXPECT_GT(seconda(12), 0.005);
    EXPECT_LT(seconda(0.01), 1e-5);
}

// Subnormal operands or results since the flags were last cleared.
void pulisciBandiere() {
    std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() & ~0x3Fu);
#endif
}
bool subnormali() {
    bool s = std::fetestexcept(FE_UNDERFLOW) != 0;
#if defined(__SSE__)
    s = s || (_mm_getcsr() & 0x12u) != 0;  // denormal operand, underflow
#endif
    return s;
}

TEST(Max, NelSilenzioNessunCalcoloSubnormale) {
    const auto p = radio({{"x_rot", 4},
                          {"x_shape", 60},
                          {"x_arm", 8},
                          {"x_mafix", -2},
                          {"x_madin", -4},
                          {"x_bsfix", -1},
                          {"x_bsdin", -5},
                          {"x_bcdb", 6},
                          {"x_pre", 50},
                          {"x_hfdb", -6},
                          {"x_clip", 4},
                          {"x_spazio", 60},
                          {"x_top", 15000},
                          {"x_in", 6}});
    omax::Max m;
    prepara(m, p, 48000);
    Coppia c = rumore(96000, 0.8);
    elabora(m, c);
    std::vector<float> l(256), r(256);
    for (int k = 0; k < 200; ++k) m.process(l.data(), r.data(), 256);
    pulisciBandiere();
    // Ninety seconds: the slowest envelope falls below the cleaning floor on the way.
    for (int k = 0; k < 90 * 48000 / 256; ++k) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        m.process(l.data(), r.data(), 256);
    }
    EXPECT_FALSE(subnormali());
    EXPECT_EQ(l[255], 0.0f);
}

}  // namespace
