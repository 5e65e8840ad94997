// The whole chain through the C interface, in both modes and at several rates.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "conta_allocazioni.h"
#include "velmora.h"

namespace {

constexpr double PI = std::numbers::pi;
const double TETTO = std::pow(10.0, -1.0 / 20);  // default output ceiling

// Keys that switch on every block of the chain, in both modes.
const std::pair<const char*, double> TUTTO_ACCESO[] = {
    {"g_porta", 5}, {"f_on", 1},       {"f_min", -24},   {"f_max", -16},  {"g_pre", 2},
    {"e_hp", 30},   {"e_lsdb", 2},     {"e_b1db", -2},   {"e_b2db", 1.5}, {"e_b3db", -1},
    {"e_hsdb", 2},  {"e_lp", 18000},   {"a_ant", 20},    {"a_sub", 3},    {"a_boom", -3},
    {"m_str", 2},   {"m_unione", 30},  {"m_acc", 20},    {"m_acc34", 20}, {"m_sbav", 10},
    {"m_limgr", 3}, {"m_lib", 12},     {"m_pend", 48},   {"x_rot", 4},    {"x_shape", 40},
    {"x_arm", 6},   {"x_mafix", -1.5}, {"x_madin", -3},  {"x_bsfix", -1}, {"x_bsdin", -3},
    {"x_bcdb", 4},  {"x_spazio", 40},  {"x_top", 16000}, {"x_pre", 50},   {"x_hfdb", -4},
    {"x_clip", 3},  {"x_in", 3}};

// A fresh engine with an empty store, then the keys.
void crea(double sr, bool radio, bool tutto) {
    velmora_distruggi();
    velmora_crea(sr);
    if (tutto)
        for (const auto& [k, v] : TUTTO_ACCESO) velmora_imposta(k, v);
    velmora_imposta("x_radio", radio ? 1 : 0);
}

struct Coppia {
    std::vector<float> l, r;
};

Coppia rosa(double sr, double secondi, double scala, std::uint32_t seme = 11) {
    // White noise through Kellet's pink filter.
    Coppia c;
    double b[2][7] = {};
    const auto n = static_cast<std::size_t>(sr * secondi);
    for (std::size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 2; ++k) {
            seme = seme * 1664525u + 1013904223u;
            const double w = (seme >> 8) / double(1u << 24) * 2 - 1;
            double* s = b[k];
            s[0] = 0.99886 * s[0] + w * 0.0555179;
            s[1] = 0.99332 * s[1] + w * 0.0750759;
            s[2] = 0.96900 * s[2] + w * 0.1538520;
            s[3] = 0.86650 * s[3] + w * 0.3104856;
            s[4] = 0.55000 * s[4] + w * 0.5329522;
            s[5] = -0.7616 * s[5] - w * 0.0168980;
            const double p = s[0] + s[1] + s[2] + s[3] + s[4] + s[5] + s[6] + w * 0.5362;
            s[6] = w * 0.115926;
            (k == 0 ? c.l : c.r).push_back(static_cast<float>(p * scala));
        }
    }
    return c;
}

Coppia sweep(double sr, double secondi, double a) {
    Coppia c;
    const double f0 = 20, f1 = std::min(20000.0, 0.45 * sr), T = secondi;
    const double k = std::log(f1 / f0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(sr * T); ++i) {
        const double t = static_cast<double>(i) / sr;
        const auto v =
            static_cast<float>(a * std::sin(2 * PI * f0 * T / k * (std::exp(t / T * k) - 1)));
        c.l.push_back(v);
        c.r.push_back(-v * 0.5f);
    }
    return c;
}

Coppia quadra(double sr, double secondi, double f) {
    Coppia c;
    for (std::size_t i = 0; i < static_cast<std::size_t>(sr * secondi); ++i) {
        const float v = std::fmod(static_cast<double>(i) * f / sr, 1.0) < 0.5 ? 1.0f : -1.0f;
        c.l.push_back(v);
        c.r.push_back(v);
    }
    return c;
}

Coppia seno(double sr, double secondi, double f, double a) {
    Coppia c;
    for (std::size_t i = 0; i < static_cast<std::size_t>(sr * secondi); ++i) {
        const auto v = static_cast<float>(a * std::sin(2 * PI * f * static_cast<double>(i) / sr));
        c.l.push_back(v);
        c.r.push_back(v);
    }
    return c;
}

void elabora(Coppia& c, int blocco = 480) {
    for (std::size_t i = 0; i < c.l.size(); i += static_cast<std::size_t>(blocco)) {
        const auto n = std::min(static_cast<std::size_t>(blocco), c.l.size() - i);
        velmora_elabora(c.l.data() + i, c.r.data() + i, static_cast<int>(n));
    }
}

double picco(const Coppia& c, std::size_t da = 0, std::size_t a = SIZE_MAX) {
    double p = 0;
    for (std::size_t i = da; i < std::min(a, c.l.size()); ++i)
        p = std::max(
            {p, std::fabs(static_cast<double>(c.l[i])), std::fabs(static_cast<double>(c.r[i]))});
    return p;
}

double rms(const Coppia& c, std::size_t da, std::size_t a) {
    double e = 0;
    for (std::size_t i = da; i < a; ++i)
        e += static_cast<double>(c.l[i]) * c.l[i] + static_cast<double>(c.r[i]) * c.r[i];
    return std::sqrt(e / static_cast<double>(2 * (a - da)));
}

bool finita(const Coppia& c) {
    for (std::size_t i = 0; i < c.l.size(); ++i)
        if (!std::isfinite(c.l[i]) || !std::isfinite(c.r[i])) return false;
    return true;
}

class Catena : public ::testing::Test {
  protected:
    void TearDown() override { velmora_distruggi(); }
};

TEST_F(Catena, UscitaFinitaELimitataSuOgniSegnale) {
    for (double sr : {44100.0, 48000.0, 96000.0}) {
        for (bool radio : {false, true}) {
            std::vector<std::pair<const char*, Coppia>> segnali;
            segnali.emplace_back("pink noise", rosa(sr, 3, 0.25));
            segnali.emplace_back("sweep", sweep(sr, 3, 1.0));
            segnali.emplace_back("silence",
                                 Coppia{std::vector<float>(static_cast<std::size_t>(sr)),
                                        std::vector<float>(static_cast<std::size_t>(sr))});
            segnali.emplace_back("square 100 Hz", quadra(sr, 2, 100));
            segnali.emplace_back("square 3 kHz", quadra(sr, 2, 3000));
            for (auto& [nome, c] : segnali) {
                crea(sr, radio, true);
                elabora(c);
                SCOPED_TRACE(std::string(nome) + (radio ? " broadcast " : " listening ") +
                             std::to_string(sr));
                ASSERT_TRUE(finita(c));
                const double p = picco(c);
                // Broadcast: the limiter keeps everything near the ceiling (its overshoot on an
                // onset is bounded); listening: the chain's gains alone, nothing runs away.
                if (radio)
                    EXPECT_LT(p, TETTO * 1.6);
                else
                    EXPECT_LT(p, 4.0);
                std::cout << nome << (radio ? " broadcast " : " listening ") << sr << ": peak "
                          << 20 * std::log10(std::max(p, 1e-12)) << " dBFS\n";
            }
        }
    }
}

TEST_F(Catena, InModoRadioIlLimitatoreTieneIlTetto) {
    for (double sr : {44100.0, 48000.0, 96000.0}) {
        // Steady material driven well above the ceiling by the final stage's input.
        std::vector<Coppia> segnali = {seno(sr, 3, 1000, 0.5), quadra(sr, 3, 200),
                                       seno(sr, 3, 60, 0.3)};
        for (auto& c : segnali) {
            // The final stage's input drive keeps its input above the ceiling, whatever the
            // leveller and the bands did before it.
            crea(sr, true, false);
            velmora_imposta("x_in", 30);
            elabora(c);
            const auto da = static_cast<std::size_t>(sr);
            EXPECT_LE(picco(c, da), TETTO * (1 + 1e-3)) << sr;
            EXPECT_GE(picco(c, da), TETTO * 0.98) << sr;
            EXPECT_LT(velmora_finale(), -3.0f);
        }
    }
}

TEST_F(Catena, NessunaAllocazioneMentreSiCaricanoPreset) {
    const auto cartella =
        std::filesystem::temp_directory_path() / ("velmora_catena_" + std::to_string(::getpid()));
    std::filesystem::create_directories(cartella);
    const std::string a = (cartella / "a.json").string(), b = (cartella / "b.json").string();
    std::ofstream(a) << R"({"x_radio": 1, "x_ant": 10, "g_porta": 5, "x_clip": 3, "x_top": 15000,
        "a_ant": 30, "e_hp": 40, "m_str": 3, "x_spazio": 50})";
    std::ofstream(b) << R"({"x_radio": 0, "x_ant": 2, "g_porta": 40, "a_ant": 0, "e_lsdb": 4,
        "x_arm": 6, "f_on": 1})";

    for (bool radio : {false, true}) {
        crea(48000, radio, true);
        std::atomic<bool> fine{false};
        std::atomic<std::int64_t> blocchi{0};
        contaAllocazioni::azzera();
        std::thread audio([&] {
            Coppia c = rosa(48000, 0.5, 0.3);
            const std::size_t n = 256, giri = c.l.size() / n;
            contaAllocazioni::segui(true);
            for (std::size_t k = 0; !fine.load(); k = (k + 1) % giri) {
                velmora_elabora(c.l.data() + k * n, c.r.data() + k * n, static_cast<int>(n));
                blocchi.fetch_add(1);
            }
            contaAllocazioni::segui(false);
        });
        for (int k = 0; k < 150; ++k) {
            ASSERT_TRUE(velmora_carica_preset(k % 2 ? a.c_str() : b.c_str()));
            velmora_imposta("x_ant", 1 + k % 20);
            velmora_imposta("x_radio", k % 3 == 0 ? 1 : 0);
            // Let the audio thread adopt it before the next one replaces it.
            const std::int64_t ora = blocchi.load();
            while (blocchi.load() < ora + 2) std::this_thread::yield();
        }
        fine.store(true);
        audio.join();
        EXPECT_EQ(contaAllocazioni::allocazioni(), 0u);
        EXPECT_EQ(contaAllocazioni::liberazioni(), 0u);
    }
    std::filesystem::remove_all(cartella);
}

// Whether silence costs more than music is measured by bench_catena; here the chain must come
// down to exact silence and stay finite.
TEST_F(Catena, MinutiDiSilenzioDannoSilenzioEsatto) {
    for (bool radio : {false, true}) {
        crea(48000, radio, true);
        Coppia musica = rosa(48000, 5, 0.3);
        elabora(musica);
        Coppia silenzio{std::vector<float>(48000 * 10), std::vector<float>(48000 * 10)};
        for (int volte = 0; volte < 12; ++volte) {
            std::fill(silenzio.l.begin(), silenzio.l.end(), 0.0f);
            std::fill(silenzio.r.begin(), silenzio.r.end(), 0.0f);
            elabora(silenzio);
        }
        EXPECT_EQ(picco(silenzio), 0.0) << (radio ? "broadcast" : "listening");
    }
}

TEST_F(Catena, UnaRafficaDiNaNSiRiprendeEntroUnSecondo) {
    for (bool radio : {false, true}) {
        crea(48000, radio, true);
        Coppia pulito = seno(48000, 3, 440, 0.3);
        elabora(pulito);

        crea(48000, radio, true);
        Coppia c = seno(48000, 3, 440, 0.3);
        const float guasti[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity()};
        for (std::size_t i = 48000; i < 52800; i += 3) {
            c.l[i] = guasti[i % 3];
            c.r[i + 1] = guasti[(i + 1) % 3];
        }
        elabora(c);
        ASSERT_TRUE(finita(c));
        // One second after the burst the sound is what it would have been.
        const double atteso = rms(pulito, 100800, 110400), visto = rms(c, 100800, 110400);
        EXPECT_NEAR(20 * std::log10(visto / atteso), 0.0, 1.0)
            << (radio ? "broadcast" : "listening");
    }
}

}  // namespace
