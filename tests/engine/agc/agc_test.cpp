#include "agc/agc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "conta_allocazioni.h"
#include "velmora.h"

namespace {

constexpr double SR = 48000;

double daDb(double db) {
    return std::pow(10.0, db / 20);
}

// A detector that reads the programme as it is: no high-pass, no ear weighting, no speed-up.
agc::Params piatti() {
    agc::Params p;
    p.cut = 0;
    p.pesato = false;
    p.saltox = 1;
    return p;
}

std::vector<float> rumore(std::size_t n, std::uint32_t seme = 7) {
    std::vector<float> v(n);
    for (auto& x : v) {
        seme = seme * 1664525u + 1013904223u;
        x = static_cast<float>(0.3 * ((seme >> 8) / 16777216.0 * 2 - 1));
    }
    return v;
}

struct Banco {
    agc::Progetto progetto;
    agc::Agc stadio;
    explicit Banco(const agc::Params& p) : progetto(agc::progetta(p, SR)) {
        stadio.adotta(progetto);
    }
    // Constant programme at `db` on both channels, in blocks of 32; returns the highest gain seen
    // after any block. `uscita` and `piccoUscita` keep the last and the highest output sample.
    double continuo(double db, double secondi) {
        const auto v = static_cast<float>(daDb(db));
        float l[32], r[32];
        double massimo = -1e9;
        for (long k = 0; k < static_cast<long>(secondi * SR); k += 32) {
            std::fill(l, l + 32, v);
            std::fill(r, r + 32, v);
            stadio.process(l, r, 32);
            massimo = std::max(massimo, stadio.guadagnoDb());
            for (float x : l) piccoUscita = std::max(piccoUscita, x);
            uscita = l[31];
        }
        return massimo;
    }
    // The same signal on both channels, in place, in blocks of 100; `destro` has room for the
    // right channel. Allocates nothing.
    void inPosto(std::vector<float>& x, std::vector<float>& destro) {
        std::copy(x.begin(), x.end(), destro.begin());
        for (std::size_t i = 0; i < x.size(); i += 100) {
            const int n = static_cast<int>(std::min<std::size_t>(100, x.size() - i));
            stadio.process(x.data() + i, destro.data() + i, n);
        }
    }
    std::vector<float> passa(std::vector<float> x) {
        std::vector<float> destro(x.size());
        inPosto(x, destro);
        return x;
    }
    float uscita = 0, piccoUscita = 0;
};

}  // namespace

TEST(Livellatore, saleAUnDecibelAlSecondoEArrivaSenzaSuperare) {
    Banco b(piatti());
    EXPECT_NEAR(b.continuo(-30, 6), 6.0, 0.05);
    b.continuo(-30, 5.9);
    EXPECT_GT(b.stadio.guadagnoDb(), 11.8);
    EXPECT_LT(b.stadio.guadagnoDb(), 12.0);
    EXPECT_LE(b.continuo(-30, 3), 12.0 + 1e-5);
    EXPECT_NEAR(b.stadio.guadagnoDb(), 12.0, 1e-5);
    EXPECT_NEAR(b.uscita, daDb(-30) * daDb(12), 1e-6);

    // A lasting distance beyond 10 dB: after 800 ms the gain catches up eight times faster, and
    // the last 1.5 dB again at the normal rate.
    agc::Params p = piatti();
    p.saltox = 8;
    Banco v(p);
    EXPECT_NEAR(v.continuo(-30, 1.5), 0.8 + 0.7 * 8, 0.2);
    // The factor applied to the audio moves in step with the gain in dB.
    EXPECT_NEAR(20 * std::log10(v.uscita / daDb(-30)), v.stadio.guadagnoDb(), 1e-3);
    v.continuo(-30, 1.5);
    EXPECT_NEAR(v.stadio.guadagnoDb(), 11.5, 0.1);
    EXPECT_LE(v.continuo(-30, 1), 12.0 + 1e-3);  // the detector itself is still settling
    EXPECT_NEAR(v.stadio.guadagnoDb(), 12.0, 1e-4);
}

TEST(Livellatore, cancelloEFermoTengonoIlGuadagno) {
    Banco b(piatti());
    b.continuo(-23, 8);
    EXPECT_NEAR(b.stadio.guadagnoDb(), 5.0, 1e-4);
    b.continuo(-50, 2);  // the detector falls below the -45 dB gate
    const double tenuto = b.stadio.guadagnoDb();
    EXPECT_EQ(b.continuo(-50, 5), tenuto);
    EXPECT_EQ(b.stadio.guadagnoDb(), tenuto);

    Banco f(piatti());
    f.continuo(-30, 3);
    const double g = f.stadio.guadagnoDb();
    f.stadio.fermo = true;
    EXPECT_EQ(f.continuo(-30, 5), g);
    f.stadio.fermo = false;
    f.continuo(-30, 1);
    EXPECT_NEAR(f.stadio.guadagnoDb(), g + 1, 0.01);
}

TEST(Livellatore, finestraESoloInDiscesa) {
    agc::Params p = piatti();
    p.winSu = p.winGiu = 6;
    Banco w(p);
    w.continuo(-5, 3);
    EXPECT_NEAR(w.stadio.guadagnoDb(), -6, 1e-9);

    p = piatti();
    p.sologiu = true;
    p.frenov = 0;
    Banco su(p);
    EXPECT_EQ(su.continuo(-30, 5), 0.0);
    Banco giu(p);
    giu.continuo(-10, 0.5);
    EXPECT_NEAR(giu.stadio.guadagnoDb(), -12 * (0.5 - 0.052), 0.15);  // 12 dB/s
    giu.continuo(-10, 2.5);
    EXPECT_NEAR(giu.stadio.guadagnoDb(), -8, 0.01);
}

TEST(Livellatore, dopoOgniDiscesaAspettaPrimaDiRisalire) {
    for (double hold : {200.0, 500.0}) {
        agc::Params p = piatti();
        p.frenov = 0;
        p.hold = hold;
        Banco b(p);
        b.continuo(-10, 2);
        ASSERT_NEAR(b.stadio.guadagnoDb(), -8, 0.01);
        long ultimaDiscesa = -1, primaSalita = -1;
        double prima = b.stadio.guadagnoDb();
        for (long i = 0; i < static_cast<long>(SR) && primaSalita < 0; ++i) {
            float l = static_cast<float>(daDb(i < 4800 ? -10 : -30)), r = l;
            b.stadio.process(&l, &r, 1);
            const double g = b.stadio.guadagnoDb();
            if (g < prima) ultimaDiscesa = i;
            if (g > prima && ultimaDiscesa >= 0) primaSalita = i;
            prima = g;
        }
        // The countdown runs from the next decision, at most 32 samples after the last fall.
        ASSERT_GE(ultimaDiscesa, 0);
        EXPECT_GT(primaSalita - ultimaDiscesa, static_cast<long>(hold * 48)) << hold;
        EXPECT_LE(primaSalita - ultimaDiscesa, static_cast<long>(hold * 48) + 32) << hold;
    }
}

TEST(Livellatore, frenoControUnPassaggioImprovviso) {
    for (double frenov : {800.0, 0.0}) {
        agc::Params p = piatti();
        p.saltox = 8;
        p.frenov = frenov;
        Banco b(p);
        b.continuo(-30, 5);
        ASSERT_NEAR(b.stadio.guadagnoDb(), 12, 1e-4);
        b.continuo(-6, 0.01);
        if (frenov > 0) {  // still braking at 800 dB/s, from the second decision on
            EXPECT_NEAR(b.stadio.guadagnoDb(), 12 - 0.8 * (10 - 0.67), 0.2);
            EXPECT_NEAR(20 * std::log10(b.uscita / daDb(-6)), b.stadio.guadagnoDb(), 1e-3);
        }
        b.continuo(-6, 0.04);
        // The envelope times the gain sits 6 dB above the -18 dB target.
        EXPECT_NEAR(b.stadio.guadagnoDb(), frenov > 0 ? -12 + 6.02 : 12 - 0.6, 0.1) << frenov;
        EXPECT_NEAR(20 * std::log10(b.uscita / daDb(-6)), b.stadio.guadagnoDb(), 1e-3);
    }
    // With look-ahead the detector hears the passage 80 ms early: it leaves already braked.
    for (double ant : {0.0, 80.0}) {
        agc::Params p = piatti();
        p.saltox = 8;
        p.ant = ant;
        Banco b(p);
        b.continuo(-30, 5);
        b.piccoUscita = 0;
        b.continuo(-6, 0.5);
        const bool frenato = b.piccoUscita<daDb(-11.9), sorpasso = b.piccoUscita> daDb(5);
        EXPECT_EQ(frenato, ant > 0) << ant;
        EXPECT_EQ(sorpasso, ant == 0) << ant;
    }
}

TEST(Livellatore, anticipoEsattoECambiatoMentreSuonaSenzaAllocare) {
    agc::Params p = piatti();
    p.ant = 80;
    p.frenov = 0;
    Banco b(p);
    b.stadio.fermo = true;  // the gain stays at 0 dB
    const auto x = rumore(5000);
    auto y = b.passa(x);
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(y[i], i < 3840 ? 0.0f : x[i - 3840]) << i;

    p.up = 3;  // same delay: the running lines stay, with what they hold
    agc::Progetto stesso = agc::progetta(p, SR);
    p.ant = 10;
    agc::Progetto corto = agc::progetta(p, SR);
    y.assign(4000, 0.0f);
    auto z = x;
    std::vector<float> destro(x.size());
    contaAllocazioni::azzera();
    contaAllocazioni::segui(true);
    b.stadio.adotta(stesso);
    b.inPosto(y, destro);
    b.stadio.adotta(corto);
    b.inPosto(z, destro);
    contaAllocazioni::segui(false);
    EXPECT_EQ(contaAllocazioni::allocazioni() + contaAllocazioni::liberazioni(), 0u);
    for (std::size_t i = 0; i < 3840; ++i) ASSERT_EQ(y[i], x[i + 5000 - 3840]) << i;
    EXPECT_EQ(b.stadio.ritardo(), 480);
    EXPECT_EQ(corto.ritardoL.size(), 3840u);  // the old line goes back with the design
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(z[i], i < 480 ? 0.0f : x[i - 480]) << i;
}

TEST(Livellatore, azzeraRecuperaDaUnaRaffiaDiNaN) {
    for (double ant : {0.0, 20.0}) {
        agc::Params p;
        p.ant = ant;
        Banco b(p), nuovo(p);
        b.passa(rumore(48000, 3));
        std::vector<float> nan(512, std::nanf(""));
        b.passa(nan);
        EXPECT_TRUE(std::isnan(b.passa(rumore(20000, 4)).back()));  // the histories are poisoned
        b.stadio.azzera();
        const auto x = rumore(96000, 5);
        EXPECT_EQ(b.passa(x), nuovo.passa(x)) << ant;  // exactly as a freshly built stage
        EXPECT_EQ(b.stadio.guadagnoDb(), nuovo.stadio.guadagnoDb());
    }
}

namespace {
// Output and detector level of a steady sine at `hz` on both channels, the gain held at 0 dB.
struct Risposta {
    double uscitaDb, livelloDb;
};
Risposta risposta(agc::Params p, double hz) {
    p.frenov = 0;
    Banco b(p);
    b.stadio.fermo = true;
    std::vector<float> x(static_cast<std::size_t>(SR) * 2);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(0.1 * std::sin(2 * std::numbers::pi * hz * double(i) / SR));
    const auto y = b.passa(x);
    double e = 0;
    for (std::size_t i = x.size() / 2; i < x.size(); ++i) e += double(y[i]) * y[i];
    return {10 * std::log10(e / double(x.size() / 2) / 0.005), b.stadio.livelloDb()};
}
}  // namespace

TEST(Livellatore, filtriDiIngressoEPesaturaDelRivelatore) {
    agc::Params p = piatti();
    p.cut = 100;
    const double attesa[3] = {-24.1, -48.2, -72.2};  // Butterworth 12, 24, 36 dB/oct
    for (int n = 1; n <= 3; ++n) {
        p.slope = n;
        EXPECT_NEAR(risposta(p, 25).uscitaDb, attesa[n - 1], 0.3) << n;
        EXPECT_NEAR(risposta(p, 100).uscitaDb, -3.01, 0.05) << n;
    }
    // Neutral settings leave the audio bit for bit.
    p = piatti();
    p.sub = 0.01;
    p.boom = -0.01;
    p.frenov = 0;
    Banco neutro(p);
    neutro.stadio.fermo = true;
    const auto x = rumore(20000);
    EXPECT_EQ(neutro.passa(x), x);
    agc::Agc grezzo;  // never designed: passes audio as it is
    auto y = x, destro = x;
    grezzo.process(y.data(), destro.data(), static_cast<int>(y.size()));
    EXPECT_EQ(y, x);

    p = piatti();
    p.sub = 6;
    EXPECT_NEAR(risposta(p, 20).uscitaDb, 5.7, 0.3);
    EXPECT_NEAR(risposta(p, 2000).uscitaDb, 0, 0.05);
    p = piatti();
    p.boom = -6;
    EXPECT_NEAR(risposta(p, 117).uscitaDb, -6, 0.05);
    EXPECT_NEAR(risposta(p, 2000).uscitaDb, 0, 0.05);

    // Ear weighting changes what the detector reads, not the audio.
    agc::Params pesato = piatti(), diritto = piatti();
    pesato.pesato = true;
    const Risposta a3k = risposta(pesato, 3000), b3k = risposta(diritto, 3000);
    EXPECT_NEAR(a3k.livelloDb - b3k.livelloDb, 3.3, 0.15);
    EXPECT_EQ(a3k.uscitaDb, b3k.uscitaDb);
    EXPECT_NEAR(risposta(pesato, 40).livelloDb - risposta(diritto, 40).livelloDb, -3, 0.15);
}

TEST(Livellatore, attraversoLInterfacciaDelMotore) {
    velmora_crea(48000);
    velmora_imposta("a_pesato", 0);
    velmora_imposta("a_saltox", 1);
    const double a = std::sqrt(2.0) * daDb(-30);  // detector level -30 dB
    float l[480], r[480];
    bool finiti = true;
    for (int k = 0; k < 600; ++k) {  // 6 s, with a burst of non-finite samples in the middle
        for (int i = 0; i < 480; ++i)
            l[i] = r[i] =
                static_cast<float>(a * std::sin(2 * std::numbers::pi * (k * 480 + i) / 48));
        if (k >= 300 && k < 305) l[7] = std::nanf(""), r[100] = INFINITY;
        velmora_elabora(l, r, 480);
        for (int i = 0; i < 480; ++i) finiti = finiti && std::isfinite(l[i]) && std::isfinite(r[i]);
    }
    EXPECT_TRUE(finiti);
    EXPECT_NEAR(velmora_guadagno_agc(), 6.0, 0.1);
    velmora_imposta("a_on", 0);
    velmora_elabora(l, r, 480);
    EXPECT_EQ(velmora_guadagno_agc(), 0.0f);
    velmora_distruggi();
}

namespace {

// The input filters run over pieces of the block that end at each decision, where their
// histories may be cleared; block length must change nothing, in the decay into silence either.
TEST(Livellatore, laLunghezzaDelBloccoNonCambiaNulla) {
    agc::Params p;
    p.slope = 3;
    p.sub = 3;
    p.boom = -3;
    p.ant = 5;
    std::vector<float> l = rumore(24000, 3), r = rumore(24000, 4);
    l.resize(150000, 0.0f), r.resize(150000, 0.0f);
    const auto coda = rumore(12000, 5);
    for (std::size_t i = 0; i < coda.size(); ++i) l[120000 + i] = r[120000 + i] = coda[i] * 1e-3f;
    std::vector<std::vector<float>> uscite;
    for (std::size_t blocco : {1u, 7u, 100u, 4096u}) {
        Banco b(p);
        auto yl = l, yr = r;
        for (std::size_t i = 0; i < yl.size(); i += blocco) {
            const auto n = static_cast<int>(std::min(blocco, yl.size() - i));
            b.stadio.process(yl.data() + i, yr.data() + i, n);
        }
        yl.insert(yl.end(), yr.begin(), yr.end());
        uscite.push_back(yl);
    }
    for (const auto& u : uscite) EXPECT_EQ(u, uscite[0]);
}

}  // namespace
