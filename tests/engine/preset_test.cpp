// Preset files: what the loader keeps, skips and fixes, the writer's layout, failure handling and
// independence from the process locale.
#include "preset.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "velmora.h"

namespace fs = std::filesystem;

namespace {

class Preset : public ::testing::Test {
  protected:
    void SetUp() override {
        velmora_ospite(nullptr, nullptr);
        velmora_crea(48000);
        cartella_ = fs::temp_directory_path() / ("velmora-preset-" + std::to_string(::getpid()));
        fs::create_directories(cartella_);
    }
    void TearDown() override {
        velmora_distruggi();
        fs::remove_all(cartella_);
        std::setlocale(LC_ALL, "C");
    }
    std::string scrivi(const std::string& nome, const std::string& testo) {
        const auto p = cartella_ / nome;
        std::ofstream(p, std::ios::binary) << testo;
        return p.string();
    }
    fs::path cartella_;
};

TEST_F(Preset, CaricaSaltaESistema) {
    const auto p = scrivi("a.json", R"({"_nome": "prova", "m_tet1": -12, "x_top": 0})");
    ASSERT_TRUE(velmora_carica_preset(p.c_str()));
    EXPECT_FALSE(velmora_ha("_nome"));
    EXPECT_EQ(velmora_leggi("m_tet1", 0), -12);
    EXPECT_EQ(velmora_leggi("x_top", 0), 20000);
    EXPECT_FALSE(velmora_ha("e_lp"));
    EXPECT_STREQ(velmora_preset_json(), "{\n  \"m_tet1\": -12,\n  \"x_top\": 20000\n}\n");
}

TEST_F(Preset, SoglieDelleCorrezioni) {
    auto p = velmora::leggiPreset(R"({"e_lp": 999, "x_top": 99.5})");
    EXPECT_EQ(p->at("e_lp"), 20000);
    EXPECT_EQ(p->at("x_top"), 20000);
    p = velmora::leggiPreset(R"({"e_lp": 1000, "x_top": 100})");
    EXPECT_EQ(p->at("e_lp"), 1000);
    EXPECT_EQ(p->at("x_top"), 100);
}

TEST_F(Preset, TipiDeiMembri) {
    const auto p = velmora::leggiPreset(
        R"({"g_pre": "6", "f_on": true, "a_on": false, "x": null, "y": [1], "z": {"a": 1},
            "i": 12345678901})");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->count("g_pre"), 0u);
    EXPECT_EQ(p->at("f_on"), 1);
    EXPECT_EQ(p->at("a_on"), 0);
    EXPECT_EQ(p->count("x") + p->count("y") + p->count("z"), 0u);
    EXPECT_EQ(p->at("i"), 12345678901.0);
}

TEST_F(Preset, FileCattiviLascianoTuttoComEra) {
    velmora_imposta("g_pre", 3);
    velmora_imposta("m_tet2", -9);
    const std::string prima = velmora_preset_json();
    const std::string cattivi[] = {
        scrivi("array.json", "[1, 2]"),
        scrivi("numero.json", "5"),
        scrivi("rotto.json", R"({"g_pre": 4,)"),
        scrivi("vuoto.json", ""),
        scrivi("binario.json", std::string("\xff\xfe\x00{", 4)),
        scrivi("enorme.json", R"({"g_pre": 1e999})"),  // no usable double
        (cartella_ / "manca.json").string(),
        cartella_.string(),  // a folder
    };
    for (const auto& c : cattivi) {
        EXPECT_FALSE(velmora_carica_preset(c.c_str())) << c;
        EXPECT_EQ(prima, velmora_preset_json()) << c;
    }
}

TEST_F(Preset, OggettoSenzaMembriUsabiliSvuotaLArchivio) {
    velmora_imposta("g_pre", 3);
    const auto p = scrivi("vuoto.json", R"({"_x": 1, "a": "b"})");
    EXPECT_TRUE(velmora_carica_preset(p.c_str()));
    EXPECT_STREQ(velmora_preset_json(), "{\n\n}\n");
}

TEST_F(Preset, NumeriComePercentoG) {
    EXPECT_EQ(velmora::numeroG(20000), "20000");
    EXPECT_EQ(velmora::numeroG(0.707), "0.707");
    EXPECT_EQ(velmora::numeroG(-12.5), "-12.5");
    EXPECT_EQ(velmora::numeroG(1.5e6), "1.5e+06");
    EXPECT_EQ(velmora::numeroG(1234567), "1.23457e+06");
    EXPECT_EQ(velmora::numeroG(0.0001), "0.0001");
    EXPECT_EQ(velmora::numeroG(0.00001), "1e-05");
    EXPECT_EQ(velmora::numeroG(-0.0), "-0");
}

// With a decimal-comma locale the text is still written and read with a point.
TEST_F(Preset, IndipendenteDalLocale) {
    if (std::setlocale(LC_ALL, "it_IT.UTF-8") == nullptr)
        GTEST_SKIP() << "it_IT.UTF-8 locale not generated on this machine";
    char prova[16];
    std::snprintf(prova, sizeof prova, "%g", 0.5);
    ASSERT_STREQ(prova, "0,5");  // the locale really is in force
    velmora_imposta("e_hpq", 0.707);
    EXPECT_NE(std::string(velmora_preset_json()).find("\"e_hpq\": 0.707"), std::string::npos);
    const auto p = scrivi("it.json", R"({"e_hpq": 0.707, "g_pre": -1.5e-3})");
    ASSERT_TRUE(velmora_carica_preset(p.c_str()));
    EXPECT_EQ(velmora_leggi("e_hpq", 0), 0.707);
    EXPECT_EQ(velmora_leggi("g_pre", 0), -1.5e-3);
}

TEST_F(Preset, ScritturaERiletturaSonoStabili) {
    velmora_imposta("a", 1.0 / 3);
    velmora_imposta("b", -7);
    const std::string t1 = velmora_preset_json();
    const auto p = scrivi("giro.json", t1);
    ASSERT_TRUE(velmora_carica_preset(p.c_str()));
    EXPECT_EQ(t1, std::string(velmora_preset_json()));
}

}  // namespace
