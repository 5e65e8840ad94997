// velmora-render: the same samples as the engine called directly, formats and channel counts,
// bad input that leaves nothing behind, warnings and the report.
#include "resa.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "opzioni.h"
#include "velmora.h"

namespace fs = std::filesystem;
using namespace resa;

namespace {

// Per-channel test programme: noise with a slow swell and a sine, so that the dynamic stages move.
std::vector<std::vector<float>> programma(int canali, int frame, double sr) {
    std::vector<std::vector<float>> c(static_cast<std::size_t>(canali));
    std::mt19937 g(7);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int k = 0; k < canali; ++k)
        for (int i = 0; i < frame; ++i) {
            const double inviluppo = 0.05 + 0.4 * (0.5 + 0.5 * std::sin(i / sr * 3.0));
            c[static_cast<std::size_t>(k)].push_back(
                static_cast<float>(inviluppo * (0.5 * u(g) + 0.5 * std::sin(i * 0.03 * (k + 1)))));
        }
    return c;
}

void scriviFile(const fs::path& p, const std::vector<std::vector<float>>& c, int sr,
                int formato = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    SF_INFO info{};
    info.samplerate = sr;
    info.channels = static_cast<int>(c.size());
    info.format = formato;
    SNDFILE* f = sf_open(p.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> tutti;
    for (std::size_t i = 0; i < c[0].size(); ++i)
        for (const auto& ch : c) tutti.push_back(ch[i]);
    sf_writef_float(f, tutti.data(), static_cast<sf_count_t>(c[0].size()));
    sf_close(f);
}

struct Letto {
    SF_INFO info{};
    std::vector<std::vector<float>> canali;
};

Letto leggiFile(const fs::path& p) {
    Letto l;
    SNDFILE* f = sf_open(p.c_str(), SFM_READ, &l.info);
    if (f == nullptr) return l;
    std::vector<float> tutti(static_cast<std::size_t>(l.info.frames * l.info.channels));
    const auto n = sf_readf_float(f, tutti.data(), l.info.frames);
    sf_close(f);
    l.canali.resize(static_cast<std::size_t>(l.info.channels));
    for (sf_count_t i = 0; i < n; ++i)
        for (int c = 0; c < l.info.channels; ++c)
            l.canali[static_cast<std::size_t>(c)].push_back(
                tutti[static_cast<std::size_t>(i * l.info.channels + c)]);
    return l;
}

// What the engine gives for the same blocks when called directly.
std::pair<std::vector<float>, std::vector<float>> diretto(
    std::vector<float> l, std::vector<float> r, double sr, int blocco,
    const std::vector<std::pair<std::string, double>>& imp, const std::string& preset = "") {
    velmora_distruggi();
    velmora_crea(sr);
    if (!preset.empty()) velmora_carica_preset(preset.c_str());
    for (const auto& [k, v] : imp) velmora_imposta(k.c_str(), v);
    for (std::size_t o = 0; o < l.size(); o += static_cast<std::size_t>(blocco)) {
        const auto m = std::min<std::size_t>(static_cast<std::size_t>(blocco), l.size() - o);
        velmora_elabora(l.data() + o, r.data() + o, static_cast<int>(m));
    }
    return {l, r};
}

class Resa : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velmora-resa-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        interruzione = false;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Opzioni opzioni(const std::string& in, const std::string& out) {
        Opzioni o;
        o.ingresso = (dir_ / in).string();
        o.uscita = (dir_ / out).string();
        return o;
    }
    std::vector<std::string> contenuto() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(dir_)) v.push_back(e.path().filename());
        std::sort(v.begin(), v.end());
        return v;
    }
    fs::path scriviTesto(const std::string& nome, const std::string& testo) {
        std::ofstream(dir_ / nome) << testo;
        return dir_ / nome;
    }

    fs::path dir_;
};

TEST(Opzioni, LeggeOgniOpzioneENeRifiutaIValoriSbagliati) {
    const auto o = leggiOpzioni({"--preset", "p.json", "--set", "m_tet3=-12.5", "--broadcast",
                                 "--set=g_pre=+3", "--listen", "--block=64", "--report", "r.json",
                                 "--bypass", "-q", "a.wav", "b.flac"});
    EXPECT_EQ(o.preset, "p.json");
    const std::vector<std::pair<std::string, double>> attese{
        {"m_tet3", -12.5}, {"x_radio", 1}, {"g_pre", 3}, {"x_radio", 0}};
    EXPECT_EQ(o.impostazioni, attese);
    EXPECT_EQ(o.blocco, 64);
    EXPECT_TRUE(o.spento && o.zitto);
    EXPECT_EQ(o.rapporto, "r.json");
    EXPECT_EQ(o.ingresso, "a.wav");
    EXPECT_EQ(o.uscita, "b.flac");
    EXPECT_EQ(leggiOpzioni({"--help"}).azione, Azione::Aiuto);
    EXPECT_EQ(leggiOpzioni({"--version"}).azione, Azione::Versione);

    for (const std::vector<std::string>& male : {std::vector<std::string>{"--bogus", "a", "b"},
                                                 {"a.wav"},
                                                 {"a", "b", "c"},
                                                 {"--set", "m_tet3=abc", "a", "b"},
                                                 {"--set", "m_tet3=", "a", "b"},
                                                 {"--set", "m_tet3=1,5", "a", "b"},
                                                 {"--set", "m_tet3=nan", "a", "b"},
                                                 {"--set", "=3", "a", "b"},
                                                 {"--set", "m_tet3", "a", "b"},
                                                 {"--block", "0", "a", "b"},
                                                 {"--block", "12x", "a", "b"},
                                                 {"--preset", "p", "--sound", "2-radio", "a", "b"},
                                                 {"a", "b", "--report"},
                                                 {"--quiet=1", "a", "b"}})
        EXPECT_THROW(leggiOpzioni(male), Errore) << male[0];
}

TEST_F(Resa, GliStessiBlocchiDannoGliStessiCampioniDelMotore) {
    const int sr = 44100, n = sr * 2 + 123;  // the last block is partial
    auto c = programma(2, n, sr);
    scriviFile(dir_ / "in.wav", c, sr);
    const auto preset = scriviTesto("p.json", R"({"m_tet3": -14, "a_target": -20, "g_pre": 2})");
    for (int blocco : {512, 37}) {
        auto o = opzioni("in.wav", "out.wav");
        o.blocco = blocco;
        o.preset = preset;
        o.impostazioni = {{"m_rap2", 6}, {"x_radio", 1}};
        const Esito e = rendi(o, nullptr, nullptr);
        EXPECT_EQ(e.sr, sr);
        const auto [l, r] = diretto(c[0], c[1], sr, blocco, o.impostazioni, preset);
        const auto letto = leggiFile(dir_ / "out.wav");
        ASSERT_EQ(letto.info.channels, 2);
        EXPECT_EQ(letto.info.samplerate, sr);
        EXPECT_EQ(letto.canali[0], l) << "block " << blocco;
        EXPECT_EQ(letto.canali[1], r) << "block " << blocco;
        EXPECT_NE(letto.canali[0], c[0]) << "the engine must have changed something";
    }
}

TEST_F(Resa, MonoRestaMonoEDiPiuCanaliSoloLaPrimaCoppia) {
    const int sr = 48000, n = 30000;
    auto mono = programma(1, n, sr);
    scriviFile(dir_ / "mono.wav", mono, sr);
    rendi(opzioni("mono.wav", "mono-out.wav"), nullptr, nullptr);
    auto [l, r] = diretto(mono[0], mono[0], sr, 512, {});
    auto letto = leggiFile(dir_ / "mono-out.wav");
    ASSERT_EQ(letto.info.channels, 1);
    ASSERT_EQ(letto.canali[0].size(), l.size());
    for (std::size_t i = 0; i < l.size(); ++i) ASSERT_EQ(letto.canali[0][i], 0.5f * (l[i] + r[i]));

    auto quattro = programma(4, n, sr);
    scriviFile(dir_ / "quattro.wav", quattro, sr);
    std::vector<std::string> avvisi;
    rendi(
        opzioni("quattro.wav", "quattro-out.wav"),
        [&](const std::string& a) { avvisi.push_back(a); }, nullptr);
    std::tie(l, r) = diretto(quattro[0], quattro[1], sr, 512, {});
    letto = leggiFile(dir_ / "quattro-out.wav");
    ASSERT_EQ(letto.info.channels, 2);
    EXPECT_EQ(letto.canali[0], l);
    EXPECT_EQ(letto.canali[1], r);
    ASSERT_EQ(avvisi.size(), 1u);
    EXPECT_NE(avvisi[0].find("4 channels"), std::string::npos);
}

TEST_F(Resa, IlFormatoDiUscitaVieneDallEstensione) {
    const int sr = 48000, n = 24000;
    scriviFile(dir_ / "in.flac", programma(2, n, sr), sr, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const std::pair<const char*, int> casi[] = {{"o.flac", SF_FORMAT_FLAC},
                                                {"o.ogg", SF_FORMAT_OGG},
                                                {"o.aiff", SF_FORMAT_AIFF},
                                                {"o.WAV", SF_FORMAT_WAV},
                                                {"senza", SF_FORMAT_WAV}};
    for (const auto& [nome, tipo] : casi) {
        rendi(opzioni("in.flac", nome), nullptr, nullptr);
        const auto letto = leggiFile(dir_ / nome);
        EXPECT_EQ(letto.info.format & SF_FORMAT_TYPEMASK, tipo) << nome;
        EXPECT_EQ(letto.info.channels, 2) << nome;
        if (tipo != SF_FORMAT_OGG) {
            EXPECT_EQ(letto.info.frames, n) << nome;
        }
    }
    EXPECT_EQ(leggiFile(dir_ / "senza").info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
}

TEST_F(Resa, UnErroreNonLasciaNienteDietro) {
    scriviFile(dir_ / "in.wav", programma(2, 4800, 48000), 48000);
    scriviTesto("vecchia.wav", "an older output that must survive");
    const auto rotto = scriviTesto("rotto.json", R"({"m_tet1": -12,)");
    const auto lista = scriviTesto("lista.json", "[1, 2]");
    scriviTesto("testo.wav", "not audio at all");
    scriviFile(dir_ / "mega.wav", programma(1, 100, 1e6), 1000000);
    const auto prima = contenuto();

    struct Caso {
        std::string nome;
        Opzioni o;
    };
    std::vector<Caso> casi;
    auto aggiungi = [&](std::string nome, Opzioni o) { casi.push_back({std::move(nome), o}); };
    aggiungi("missing input", opzioni("manca.wav", "vecchia.wav"));
    aggiungi("not audio", opzioni("testo.wav", "vecchia.wav"));
    aggiungi("folder as input", opzioni(".", "vecchia.wav"));
    aggiungi("rate beyond the engine", opzioni("mega.wav", "vecchia.wav"));
    auto o = opzioni("in.wav", "vecchia.wav");
    o.preset = (dir_ / "manca.json").string();
    aggiungi("missing preset", o);
    o.preset = rotto.string();
    aggiungi("malformed preset", o);
    o.preset = lista.string();
    aggiungi("preset not an object", o);
    o = opzioni("in.wav", "vecchia.wav");
    o.suono = "nessuno";
    aggiungi("unknown sound", o);
    aggiungi("unknown extension", opzioni("in.wav", "uscita.xyz"));
    aggiungi("missing folder", opzioni("in.wav", "manca/out.wav"));
    aggiungi("output is the input", opzioni("in.wav", "in.wav"));
    aggiungi("output is a folder", opzioni("in.wav", "."));
    o = opzioni("in.wav", "nuova.wav");
    o.rapporto = (dir_ / "manca" / "r.json").string();
    aggiungi("report in a missing folder", o);
    for (const auto& c : casi) {
        EXPECT_THROW(rendi(c.o, nullptr, nullptr), Errore) << c.nome;
        EXPECT_EQ(contenuto(), prima) << c.nome;
    }
    std::ifstream vecchia(dir_ / "vecchia.wav");
    std::string t;
    std::getline(vecchia, t);
    EXPECT_EQ(t, "an older output that must survive");

    interruzione = true;
    EXPECT_THROW(rendi(opzioni("in.wav", "vecchia.wav"), nullptr, nullptr), Interrotto);
    EXPECT_EQ(contenuto(), prima);
}

TEST_F(Resa, LeChiaviSconosciutePassanoConUnAvviso) {
    scriviFile(dir_ / "in.wav", programma(2, 4800, 48000), 48000);
    auto o = opzioni("in.wav", "out.wav");
    o.preset = scriviTesto("p.json", R"({"_nome": "prova", "m_tet1": -12, "zz_ignota": 4,
                                        "g_pre": "6", "e_on": 1, "o_schiaccia": 2})");
    o.impostazioni = {{"qq_altra", 1.5}, {"m_rap1", 3}};
    std::vector<std::string> avvisi;
    rendi(
        o, [&](const std::string& a) { avvisi.push_back(a); }, nullptr);
    ASSERT_EQ(avvisi.size(), 3u);
    EXPECT_NE(avvisi[0].find("zz_ignota"), std::string::npos);
    EXPECT_NE(avvisi[1].find("g_pre"), std::string::npos);
    EXPECT_NE(avvisi[2].find("qq_altra"), std::string::npos);
    for (const auto& a : avvisi) EXPECT_EQ(a.find("_nome"), std::string::npos);
    EXPECT_EQ(velmora_leggi("qq_altra", 0), 1.5);
    EXPECT_EQ(velmora_leggi("zz_ignota", 0), 4);
    EXPECT_TRUE(fs::exists(dir_ / "out.wav"));
}

TEST_F(Resa, IlRapportoJsonPortaLeMisure) {
    const int sr = 48000, n = sr * 3;
    scriviFile(dir_ / "in.wav", programma(2, n, sr), sr);
    auto o = opzioni("in.wav", "out.wav");
    o.rapporto = (dir_ / "r.json").string();
    const Esito e = rendi(o, nullptr, nullptr);
    std::ifstream f(dir_ / "r.json");
    const auto j = nlohmann::json::parse(f);
    EXPECT_DOUBLE_EQ(j["duration_s"].get<double>(), 3.0);
    EXPECT_EQ(j["mode"], "listening");
    EXPECT_FALSE(j["bypass"].get<bool>());
    ASSERT_EQ(j["bands"].size(), 5u);
    for (const auto& b : j["bands"])
        EXPECT_LE(b["deepest_db"].get<double>(), b["mean_db"].get<double>());
    EXPECT_NEAR(j["loudness"]["input"]["integrated_lufs"].get<double>(), e.livelloIn.integrato,
                0.01);
    EXPECT_LT(j["loudness"]["input"]["integrated_lufs"].get<double>(), -3);
    EXPECT_GE(j["loudness"]["output"]["true_peak_dbtp"].get<double>(),
              j["loudness"]["output"]["sample_peak_dbfs"].get<double>() - 0.01);
    EXPECT_LE(j["leveller_gain_db"]["min"].get<double>(),
              j["leveller_gain_db"]["max"].get<double>());
    EXPECT_GT(j["engine_s"].get<double>(), 0);
    EXPECT_GE(j["total_s"].get<double>(), j["engine_s"].get<double>());
    EXPECT_TRUE(j["warnings"].empty());
}

TEST_F(Resa, IlBypassSuonaLIngressoAUnGuadagnoCostante) {
    const int sr = 48000, n = sr * 2;
    const auto c = programma(2, n, sr);
    scriviFile(dir_ / "in.wav", c, sr);
    auto o = opzioni("in.wav", "out.wav");
    o.spento = true;
    o.rapporto = (dir_ / "r.json").string();
    rendi(o, nullptr, nullptr);
    const auto letto = leggiFile(dir_ / "out.wav");
    const float g = letto.canali[0][1000] / c[0][1000];
    for (std::size_t k = 0; k < 2; ++k)
        for (std::size_t i = 0; i < c[k].size(); i += 97)
            ASSERT_NEAR(letto.canali[k][i], c[k][i] * g, 1e-6 * std::fabs(c[k][i]));
    std::ifstream f(dir_ / "r.json");
    const auto j = nlohmann::json::parse(f);
    EXPECT_TRUE(j["bypass"].get<bool>());
    EXPECT_TRUE(j["bands"].is_null());
}

}  // namespace
