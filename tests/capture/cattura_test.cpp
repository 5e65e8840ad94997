// The capture logic without an audio server: a scripted platform, buffer lists handed to the
// capture callback and frames pulled from the render callback.
#include "cattura.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "logica.h"

namespace {

using cattura::Buffer;

struct Finta final : cattura::Piattaforma {
    std::vector<std::string> chiamate;
    std::string falliscaIn;  // the step that fails
    int codice = -EIO;
    double sr = 48000, srUscita = 48000;
    bool vivo = true;
    std::vector<cattura::Uscita> elenco;
    uint32_t predef = 0;
    int inUso = 1;  // 1 named, 0 unnamed, -1 unknown

    int passo(const char* nome) {
        chiamate.emplace_back(nome);
        return falliscaIn == nome ? codice : 0;
    }
    int creaPresa(double& f) override {
        f = sr;
        return passo("presa");
    }
    int rendiPredefinita() override { return passo("predefinita"); }
    int agganciaLettura() override { return passo("aggancia"); }
    int apriUscita(uint32_t, double& f) override {
        f = srUscita;
        return passo("apri");
    }
    int formatoUscita(double) override { return passo("formato"); }
    int avviaLettura() override { return passo("avviaLettura"); }
    int avviaUscita() override { return passo("avviaUscita"); }
    void chiudiUscita() override { chiamate.emplace_back("-uscita"); }
    void sganciaLettura() override { chiamate.emplace_back("-lettura"); }
    void ripristinaPredefinita() override { chiamate.emplace_back("-predefinita"); }
    void distruggiPresa() override { chiamate.emplace_back("-presa"); }
    void emergenza() override {}
    bool viva() override { return vivo; }
    bool permesso() override { return true; }
    std::vector<cattura::Uscita> uscite() override { return elenco; }
    uint32_t predefinita() override { return predef; }
    bool uscitaInUso(std::string& nome) override {
        if (inUso < 0) return false;
        nome = inUso > 0 ? "Cuffie" : "";
        return true;
    }
};

Finta gFinta;  // outlives the exit hook, which may still tear down through it

// What the engine was handed on the last call (the processing step is an identity here).
std::vector<float> gVistiL, gVistiR;
void identita(float* l, float* r, int n) {
    gVistiL.assign(l, l + n);
    gVistiR.assign(r, r + n);
}

class Cattura : public ::testing::Test {
  protected:
    void SetUp() override {
        cattura::usaPiattaforma(&gFinta);
        cattura::usaElaborazione(identita);
        gFinta = Finta{};
    }
    void TearDown() override {
        cattura_ferma();
        cattura_tono(false);
    }
    // Starts with the given rates and empties what earlier tests left in the ring.
    void avvia(double sr = 48000, double srUscita = 48000) {
        gFinta.sr = sr;
        gFinta.srUscita = srUscita;
        ASSERT_TRUE(cattura_avvia(0)) << cattura_errore();
        float l = 0, r = 0;
        while (cattura_anello() > 0) cattura::resaUscita(&l, &r, 1);
        // Start again, so the fraction and the counters begin from zero on an empty ring.
        cattura_ferma();
        ASSERT_TRUE(cattura_avvia(0)) << cattura_errore();
        gFinta.chiamate.clear();
    }
    static void scrivi(const std::vector<float>& l, const std::vector<float>& r) {
        std::vector<float> inter;
        for (std::size_t i = 0; i < l.size(); ++i) {
            inter.push_back(l[i]);
            inter.push_back(r[i]);
        }
        Buffer b{inter.data(), 2, static_cast<uint32_t>(inter.size() * 4)};
        cattura::letturaTap(&b, 1);
    }
    static std::vector<float> rampa(int n, float da = 1.0f) {
        std::vector<float> v(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = da + static_cast<float>(i);
        return v;
    }
};

TEST_F(Cattura, AvvioEArrestoSeguonoLOrdineEUnSecondoAvvioNonCambiaNiente) {
    ASSERT_TRUE(cattura_avvia(0));
    EXPECT_EQ(gFinta.chiamate,
              (std::vector<std::string>{"presa", "predefinita", "aggancia", "apri", "formato",
                                        "avviaLettura", "avviaUscita"}));
    EXPECT_TRUE(cattura_attiva());
    EXPECT_STREQ(cattura_errore(), "");
    EXPECT_TRUE(cattura_viva());
    gFinta.chiamate.clear();
    EXPECT_TRUE(cattura_avvia(7));
    EXPECT_TRUE(gFinta.chiamate.empty());

    cattura_ferma();
    EXPECT_EQ(gFinta.chiamate,
              (std::vector<std::string>{"-uscita", "-lettura", "-predefinita", "-presa"}));
    EXPECT_FALSE(cattura_attiva());
    EXPECT_FALSE(cattura_viva());
    gFinta.chiamate.clear();
    cattura_ferma();
    EXPECT_TRUE(gFinta.chiamate.empty());
}

TEST_F(Cattura, UnAvvioFallitoDiceperchEENonLasciaNienteDietro) {
    struct Caso {
        const char* passo;
        int codice;
        std::string testo;
        std::vector<std::string> smontaggio;
    };
    const std::vector<Caso> casi = {
        {"presa", -EPERM, "Manca il permesso di registrare l'audio di sistema.", {}},
        {"presa", -EACCES, "Manca il permesso di registrare l'audio di sistema.", {}},
        {"presa", -50, "Non riesco a creare la presa sull'audio (errore -50).", {}},
        {"predefinita", -ENOENT, "La presa c'e' ma non riesco a farla diventare", {"-presa"}},
        {"aggancia",
         -EIO,
         "Non riesco ad agganciarmi alla lettura dell'audio.",
         {"-predefinita", "-presa"}},
        {"apri",
         -ENOENT,
         "Non riesco ad aprire l'uscita audio.",
         {"-lettura", "-predefinita", "-presa"}},
        {"formato",
         -EINVAL,
         "L'uscita scelta non accetta questo formato. Provane un'altra.",
         {"-uscita", "-lettura", "-predefinita", "-presa"}},
        {"avviaLettura",
         -EIO,
         "La lettura non parte.",
         {"-uscita", "-lettura", "-predefinita", "-presa"}},
        {"avviaUscita",
         -EIO,
         "L'uscita non parte. Prova a sceglierne un'altra.",
         {"-uscita", "-lettura", "-predefinita", "-presa"}},
    };
    for (const Caso& c : casi) {
        gFinta = Finta{};
        gFinta.falliscaIn = c.passo;
        gFinta.codice = c.codice;
        EXPECT_FALSE(cattura_avvia(0)) << c.passo;
        EXPECT_EQ(std::string(cattura_errore()).rfind(c.testo, 0), 0u)
            << c.passo << ": " << cattura_errore();
        std::vector<std::string> smontate;
        for (const std::string& s : gFinta.chiamate)
            if (s[0] == '-') smontate.push_back(s);
        EXPECT_EQ(smontate, c.smontaggio) << c.passo;
        EXPECT_FALSE(cattura_attiva());
        EXPECT_FALSE(cattura_viva());
        // The next start begins from nothing and clears the text.
        gFinta = Finta{};
        EXPECT_TRUE(cattura_avvia(0));
        EXPECT_STREQ(cattura_errore(), "");
        cattura_ferma();
    }
}

TEST_F(Cattura, FrequenzeUgualiCopianoEsattamenteIFotogrammi) {
    avvia();
    EXPECT_DOUBLE_EQ(cattura::passo(), 1.0);
    const auto l = rampa(300), r = rampa(300, -1000.0f);
    scrivi(l, r);
    EXPECT_EQ(cattura_anello(), 300u);
    std::vector<float> ol(300), orr(300);
    cattura::resaUscita(ol.data(), orr.data(), 100);
    cattura::resaUscita(ol.data() + 100, orr.data() + 100, 200);
    EXPECT_EQ(ol, l);
    EXPECT_EQ(orr, r);
    EXPECT_EQ(cattura_anello(), 0u);
    EXPECT_EQ(cattura_ammanchi(), 0u);
}

TEST_F(Cattura, DaQuarantottoAQuarantaquattroInterpolaLinearmente) {
    avvia(48000, 44100);
    EXPECT_NEAR(cattura::passo(), 1.0884, 5e-5);
    EXPECT_DOUBLE_EQ(cattura_frequenza(), 48000);
    EXPECT_DOUBLE_EQ(cattura_frequenza_uscita(), 44100);
    scrivi(rampa(1000, 0.0f), rampa(1000, 0.0f));
    std::vector<float> ol(441), orr(441);
    cattura::resaUscita(ol.data(), orr.data(), 441);
    // A ramp stays a ramp: output i sits at i times the step.
    for (int i = 0; i < 441; ++i)
        EXPECT_NEAR(ol[static_cast<std::size_t>(i)], i * 48000.0 / 44100.0, 1e-3) << i;
    // 441 outputs consumed 480 ring frames, give or take the fraction.
    EXPECT_NEAR(1000.0 - cattura_anello(), 480.0, 1.0);
}

TEST_F(Cattura, AnelloVuotoDaSilenzioEFotogrammaSingoloNonInterpola) {
    avvia(48000, 44100);
    const uint32_t r0 = cattura::posizioneLettura();
    const double f0 = cattura::frazione();
    std::vector<float> ol(64, 9.0f), orr(64, 9.0f);
    cattura::resaUscita(ol.data(), orr.data(), 64);
    EXPECT_EQ(ol, std::vector<float>(64, 0.0f));
    EXPECT_EQ(orr, std::vector<float>(64, 0.0f));
    EXPECT_EQ(cattura::posizioneLettura(), r0);
    EXPECT_EQ(cattura::frazione(), f0);
    EXPECT_GT(cattura_ammanchi(), 0u);  // a running capture counts the shortfall

    scrivi({0.5f}, {-0.5f});
    cattura::resaUscita(ol.data(), orr.data(), 3);
    EXPECT_EQ(ol[0], 0.5f);
    EXPECT_EQ(orr[0], -0.5f);
    EXPECT_EQ(ol[1], 0.0f);
    EXPECT_EQ(cattura::posizioneLettura(), cattura::posizioneScrittura());
}

TEST_F(Cattura, UnPassoGrandeDopoUnAnelloVuotoNonEstrapola) {
    avvia(192000, 48000);  // step 4
    std::vector<float> ol(4), orr(4);
    scrivi({1.0f}, {1.0f});
    cattura::resaUscita(ol.data(), orr.data(), 1);  // owes three more frames
    scrivi(rampa(16, 10.0f), rampa(16, 10.0f));
    cattura::resaUscita(ol.data(), orr.data(), 2);
    // The owed frames are skipped; every output is a ring value, never beyond the next one.
    EXPECT_FLOAT_EQ(ol[0], 13.0f);
    EXPECT_FLOAT_EQ(ol[1], 17.0f);
}

TEST_F(Cattura, UnEccessoCheDuraVieneSaltatoUnoPassaggeroNo) {
    avvia();
    const int q = 64;
    std::vector<float> ol(q), orr(q);
    // One extra block arrives once, then the graph runs steadily one block in, one block out.
    scrivi(rampa(q, 0.0f), rampa(q, 0.0f));
    float prossimo = static_cast<float>(q);
    for (int giro = 0; giro < cattura::kPazienza + 4; ++giro) {
        scrivi(rampa(q, prossimo), rampa(q, prossimo));
        prossimo += static_cast<float>(q);
        cattura::resaUscita(ol.data(), orr.data(), q);
        if (giro + 1 < cattura::kPazienza) {
            EXPECT_EQ(cattura_anello(), static_cast<uint32_t>(q));
        }
    }
    // The spare block was skipped: what plays now is the block that just arrived.
    EXPECT_EQ(cattura_anello(), 0u);
    EXPECT_EQ(ol[0], prossimo - static_cast<float>(q));
    EXPECT_EQ(cattura_ammanchi(), 0u);
    // A spare block that is read away before the patience runs out is played, not skipped.
    scrivi(rampa(2 * q, 0.0f), rampa(2 * q, 0.0f));
    cattura::resaUscita(ol.data(), orr.data(), q);
    cattura::resaUscita(ol.data(), orr.data(), q);
    EXPECT_EQ(ol[0], static_cast<float>(q));
}

TEST_F(Cattura, BlocchiLunghiPassanoAPezziEInOrdine) {
    avvia();
    const int n = cattura::kBlocco * 2 + 123;
    scrivi(rampa(n), rampa(n));
    ASSERT_EQ(cattura_anello(), static_cast<uint32_t>(n));
    std::vector<float> ol(static_cast<std::size_t>(n)), orr(static_cast<std::size_t>(n));
    cattura::resaUscita(ol.data(), orr.data(), n);
    EXPECT_EQ(ol, rampa(n));
}

TEST_F(Cattura, AnelloPienoPerdeIPiuNuoviEContaITrabocchi) {
    avvia();
    const int n = 40000;
    scrivi(rampa(n), rampa(n));
    EXPECT_EQ(cattura_trabocchi(), 0u);
    scrivi(rampa(n, 1e6f), rampa(n, 1e6f));
    EXPECT_EQ(cattura_trabocchi(), 1u);
    EXPECT_EQ(cattura_anello(), cattura::kAnello - 1);
    std::vector<float> ol(cattura::kAnello), orr(cattura::kAnello);
    cattura::resaUscita(ol.data(), orr.data(), static_cast<int>(cattura::kAnello - 1));
    EXPECT_EQ(ol[0], 1.0f);  // the oldest frames survived, in order
    EXPECT_EQ(ol[39999], 40000.0f);
    EXPECT_EQ(ol[40000], 1e6f);
    // A fresh start zeroes both counters.
    cattura_ferma();
    avvia();
    EXPECT_EQ(cattura_trabocchi(), 0u);
    EXPECT_EQ(cattura_ammanchi(), 0u);
}

TEST_F(Cattura, IngressoMonoVaSuEntrambiICanali) {
    avvia();
    std::vector<float> mono = {0.1f, 0.2f, -0.3f, 0.4f};
    Buffer b{mono.data(), 1, 16};
    cattura::letturaTap(&b, 1);
    EXPECT_EQ(gVistiL, mono);
    EXPECT_EQ(gVistiR, mono);
    EXPECT_EQ(cattura_quanti_canali(), 1);
    EXPECT_EQ(cattura_canale(), 0);
    EXPECT_GT(cattura_piu_forte(), -100.0f);
}

TEST_F(Cattura, OttoCanaliPassanoAllaCoppiaCheSuonaDopoDueValutazioni) {
    avvia();
    const int frames = 256;
    std::vector<float> inter(frames * 8, 0.0f);
    for (int i = 0; i < frames; ++i) {
        const float v = 0.5f * static_cast<float>(std::sin(0.05 * i));
        inter[static_cast<std::size_t>(i * 8 + 4)] = v;
        inter[static_cast<std::size_t>(i * 8 + 5)] = -v;
    }
    // Silence first, so the levels left by earlier tests fade away.
    std::vector<float> zitto(frames * 8, 0.0f);
    Buffer muto{zitto.data(), 8, static_cast<uint32_t>(zitto.size() * 4)};
    for (int i = 0; i < 1500; ++i) cattura::letturaTap(&muto, 1);
    EXPECT_EQ(cattura_canale(), 0);
    EXPECT_EQ(cattura_piu_forte(), -100.0f);
    Buffer b{inter.data(), 8, static_cast<uint32_t>(inter.size() * 4)};
    int chiamate = 0;
    // Earlier tests may have left the evaluation counter anywhere: the pair must move between
    // the second and the third evaluation after the programme starts.
    while (cattura_canale() != 4 && chiamate < 200) {
        cattura::letturaTap(&b, 1);
        ++chiamate;
    }
    EXPECT_EQ(cattura_canale(), 4);
    EXPECT_GT(chiamate, 40);
    EXPECT_LE(chiamate, 80 + 39);
    EXPECT_EQ(cattura_quanti_canali(), 8);
    EXPECT_EQ(gVistiL[1], inter[1 * 8 + 4]);
    EXPECT_EQ(gVistiR[1], inter[1 * 8 + 5]);
    // Planar buffers select the same way: buffer 4 to the left, buffer 5 to the right.
    std::vector<std::vector<float>> piani(8, std::vector<float>(frames, 0.0f));
    for (int i = 0; i < frames; ++i) {
        piani[4][static_cast<std::size_t>(i)] = inter[static_cast<std::size_t>(i * 8 + 4)];
        piani[5][static_cast<std::size_t>(i)] = inter[static_cast<std::size_t>(i * 8 + 5)];
    }
    std::vector<Buffer> lista;
    for (auto& p : piani) lista.push_back({p.data(), 1, frames * 4});
    cattura::letturaTap(lista.data(), 8);
    EXPECT_EQ(gVistiL, piani[4]);
    EXPECT_EQ(gVistiR, piani[5]);
}

TEST_F(Cattura, IngressiMalformatiMuovonoSoloIlConteggio) {
    avvia();
    const uint64_t prima = cattura_conteggio();
    const uint32_t w = cattura::posizioneScrittura();
    float pochi[3] = {1, 2, 3};
    Buffer corto{pochi, 4, 12};  // fewer samples than channels
    Buffer nullo{nullptr, 2, 64};
    cattura::letturaTap(nullptr, 0);
    cattura::letturaTap(&corto, 1);
    cattura::letturaTap(&nullo, 1);
    EXPECT_EQ(cattura_conteggio(), prima + 3);
    EXPECT_EQ(cattura::posizioneScrittura(), w);
    // A short second buffer reads as silence past its end instead of past its memory.
    float a[4] = {1, 1, 1, 1}, c[1] = {7};
    Buffer lista[2] = {{a, 1, 16}, {c, 1, 4}};
    cattura::letturaTap(lista, 2);
    EXPECT_EQ(gVistiR, (std::vector<float>{7, 0, 0, 0}));
}

TEST_F(Cattura, IlTonoSostituisceIlProgrammaMentreLaCatturaContinua) {
    avvia(48000, 48000);
    cattura_tono(true);
    const uint64_t prima = cattura_conteggio();
    scrivi(rampa(480), rampa(480));
    EXPECT_EQ(cattura_conteggio(), prima + 1);
    std::vector<float> ol(480), orr(480);
    cattura::resaUscita(ol.data(), orr.data(), 480);
    EXPECT_EQ(cattura_anello(), 0u);  // the programme under the tone is let go, not stored
    float picco = 0;
    for (int i = 0; i < 480; ++i) {
        picco = std::max(picco, std::fabs(ol[static_cast<std::size_t>(i)]));
        EXPECT_EQ(ol[static_cast<std::size_t>(i)], orr[static_cast<std::size_t>(i)]);
    }
    EXPECT_NEAR(picco, 0.25f, 1e-3);
    // 1000 Hz at 48 kHz: 48 samples per period, so sample 12 apart is a quarter turn.
    for (int i = 0; i + 48 < 480; ++i)
        EXPECT_NEAR(ol[static_cast<std::size_t>(i)], ol[static_cast<std::size_t>(i + 48)], 1e-4);
    // A long tone never fills the ring, and the programme comes back current.
    for (int i = 0; i < 200; ++i) {
        scrivi(rampa(480), rampa(480));
        cattura::resaUscita(ol.data(), orr.data(), 480);
    }
    EXPECT_EQ(cattura_trabocchi(), 0u);
    cattura_tono(false);
    scrivi(rampa(10, 500.0f), rampa(10, 500.0f));
    cattura::resaUscita(ol.data(), orr.data(), 10);
    EXPECT_EQ(ol[0], 500.0f);
}

TEST_F(Cattura, ElencoDelleUsciteSenzaVelmoraEIdPerPosizione) {
    gFinta.elenco = {{30, "Cuffie"}, {41, "Velmora"}, {52, "Velmora prova"}, {60, "HDMI"}};
    gFinta.predef = 60;
    EXPECT_STREQ(cattura_elenco_uscite(), "Cuffie\nHDMI");
    EXPECT_EQ(cattura_id_uscita(0), 30u);
    EXPECT_EQ(cattura_id_uscita(1), 60u);
    EXPECT_EQ(cattura_id_uscita(-1), 0u);
    EXPECT_EQ(cattura_id_uscita(2), 0u);
    EXPECT_EQ(cattura_uscita_predefinita(), 1);
    gFinta.predef = 41;
    EXPECT_EQ(cattura_uscita_predefinita(), -1);
    gFinta.predef = 0;
    EXPECT_EQ(cattura_uscita_predefinita(), -1);
    gFinta.elenco.clear();
    gFinta.predef = 30;
    EXPECT_STREQ(cattura_elenco_uscite(), "");
    EXPECT_EQ(cattura_uscita_predefinita(), -1);
}

TEST_F(Cattura, UscitaInUsoOSegnaposto) {
    EXPECT_STREQ(cattura_uscita_in_uso(), "(niente)");
    avvia();
    EXPECT_STREQ(cattura_uscita_in_uso(), "Cuffie");
    gFinta.inUso = 0;
    EXPECT_STREQ(cattura_uscita_in_uso(), "(senza nome)");
    gFinta.inUso = -1;
    EXPECT_STREQ(cattura_uscita_in_uso(), "(non lo so)");
    gFinta.vivo = false;
    EXPECT_FALSE(cattura_viva());
}

}  // namespace
