// The block frame: bypass with loudness matching, stage switches, input gain, meters and recovery
// from non-finite samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "catena.h"
#include "segnali.h"

using velmora::Catena;

namespace {

// The frame alone: the leveller, band and final stages are off, the equaliser on but neutral.
std::unique_ptr<Catena> nuova(double sr = 48000) {
    auto c = std::make_unique<Catena>(sr);
    c->parametri = {{"a_on", 0}, {"m_on", 0}, {"x_on", 0}};
    c->applica();
    c->adottaSubito();
    return c;
}

void imposta(Catena& c, const char* k, double v) {
    c.parametri[k] = v;
    c.applica();
}

TEST(Elabora, BypassConPareggioUnitarioLasciaIlBloccoIdentico) {
    auto c = nuova();
    c->acceso = false;
    auto l = segnali::rumore(512), r = segnali::rumore(512, 0.5, 7);
    auto l0 = l, r0 = r;
    c->elabora(l.data(), r.data(), 512);
    EXPECT_EQ(l, l0);
    EXPECT_EQ(r, r0);
    c->pareggio = 0.5;
    c->elabora(l.data(), r.data(), 512);
    for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l[i], l0[i] * 0.5f);
}

TEST(Elabora, TuttiGliStadiSpentiLascianoPassareBitPerBit) {
    auto c = nuova();
    c->parametri = {{"e_on", 0}, {"a_on", 0},  {"m_on", 0},
                    {"x_on", 0}, {"g_pre", 6}, {"g_porta", 5}};
    c->applica();
    c->pareggio = 3;
    auto l = segnali::rumore(512), r = segnali::rumore(512, 0.5, 9);
    auto l0 = l, r0 = r;
    c->elabora(l.data(), r.data(), 512);
    EXPECT_EQ(l, l0);
    EXPECT_EQ(r, r0);
    EXPECT_EQ(c->pareggio, 1.0);
}

TEST(Elabora, GuadagnoDiIngressoSaltatoVicinoAUno) {
    auto c = nuova();
    imposta(*c, "g_pre", 20 * std::log10(1.00005));
    auto l = segnali::rumore(256), r = l;
    auto l0 = l;
    c->elabora(l.data(), r.data(), 256);
    EXPECT_EQ(l, l0);
    imposta(*c, "g_pre", 20 * std::log10(1.0002));
    c->elabora(l.data(), r.data(), 256);
    EXPECT_NE(l, l0);
}

TEST(Elabora, PareggioSegueIlProgrammaPiuForteEBypassLoSuona) {
    auto c = nuova();
    imposta(*c, "g_pre", 6.0206);  // twice the amplitude
    for (int k = 0; k < 400; ++k) {
        auto l = segnali::seno(1000, 48000, 480, 0.1, k * 480), r = l;
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_NEAR(c->pareggio, 2.0, 0.01);
    c->acceso = false;
    auto l = segnali::seno(1000, 48000, 480, 0.1), r = l;
    c->elabora(l.data(), r.data(), 480);
    EXPECT_NEAR(segnali::db(segnali::picco(l) / 0.1), 6.0, 0.1);
}

TEST(Elabora, PareggioLimitatoTraUnOttavoEOtto) {
    auto c = nuova();
    imposta(*c, "g_pre", 40);
    for (int k = 0; k < 500; ++k) {
        auto l = segnali::rumore(256, 0.001, static_cast<std::uint32_t>(k)), r = l;
        c->elabora(l.data(), r.data(), 256);
    }
    EXPECT_LE(c->pareggio, 8.0);
    EXPECT_GT(c->pareggio, 7.9);
}

TEST(Elabora, MetriDiIngresso) {
    auto c = nuova();
    for (int k = 0; k < 100; ++k) {
        auto l = segnali::seno(997, 48000, 480, 1.0, k * 480);
        std::vector<float> r(480, 0.0f);
        c->elabora(l.data(), r.data(), 480);
    }
    EXPECT_NEAR(c->metroIn[0].load(), 0.0f, 0.01f);
    EXPECT_EQ(c->metroIn[1].load(), -140.0f);
    EXPECT_NEAR(c->metroIn[4].load(), -6.02f, 0.1f);  // RMS of both channels together
}

TEST(Elabora, PiccoTenutoTreSecondiPoiScende) {
    auto c = nuova();
    const int n = 480;  // 10 ms blocks
    auto blocco = [&](float click) {
        std::vector<float> l(n, 0.0f), r(n, 0.0f);
        l[0] = click;
        c->elabora(l.data(), r.data(), n);
    };
    blocco(1.0f);
    // 3 s = 144000 samples = 300 blocks, counting the click's own block.
    for (int k = 1; k < 300; ++k) blocco(0.0f);
    EXPECT_NEAR(c->metroIn[2].load(), 0.0f, 1e-4f);
    blocco(0.0f);
    EXPECT_NEAR(c->metroIn[2].load(), 20 * std::log10(0.95f), 1e-3f);
    blocco(0.0f);
    EXPECT_NEAR(c->metroIn[2].load(), 20 * std::log10(0.95f * 0.95f), 1e-3f);
}

TEST(Elabora, BloccoVuotoNonToccaNulla) {
    auto c = nuova();
    imposta(*c, "g_pre", 6);
    float l = 0.5f, r = 0.5f;
    c->elabora(&l, &r, 0);
    c->elabora(&l, &r, -5);
    EXPECT_EQ(l, 0.5f);
}

// Bad samples never reach the output, and within a second the chain sounds like a twin that
// never saw them.
TEST(Elabora, RaffichaDiNaNNonAvvelenaLaCatena) {
    for (bool acceso : {true, false}) {
        const velmora::Parametri p = {
            {"e_b1db", 6}, {"e_hp", 40}, {"g_porta", 5}, {"f_on", 1}, {"x_radio", 1}};
        velmora::Catena c(48000), gemella(48000);
        for (auto* k : {&c, &gemella}) {
            k->parametri = p;
            k->applica();
            k->adottaSubito();
            k->acceso = acceso;
        }
        const int n = 256;
        int t = 0;
        auto passo = [&](bool guasto, int k) {
            auto l = segnali::seno(440, 48000, n, 0.3, t), r = l;
            auto gl = l, gr = r;
            if (guasto) {
                l[10] = NAN;
                r[20] = INFINITY;
                gl[10] = gr[20] = 0;
                if (k == 2)
                    std::fill(l.begin(), l.end(), -INFINITY), std::fill(gl.begin(), gl.end(), 0.0f);
            }
            t += n;
            c.elabora(l.data(), r.data(), n);
            gemella.elabora(gl.data(), gr.data(), n);
            EXPECT_TRUE(segnali::tuttiFiniti(l) && segnali::tuttiFiniti(r));
            return std::pair{segnali::picco(l), segnali::picco(gl)};
        };
        for (int k = 0; k < 50; ++k) passo(false, k);
        for (int k = 0; k < 4; ++k) passo(true, k);
        std::pair<double, double> ultimo;
        for (int k = 0; k < 188; ++k) ultimo = passo(false, k);  // one second
        EXPECT_NEAR(segnali::db(ultimo.first), segnali::db(ultimo.second), 1.0) << acceso;
        EXPECT_TRUE(std::isfinite(c.metroOut[4].load()));
        EXPECT_TRUE(std::isfinite(c.pareggio));
    }
}

}  // namespace
