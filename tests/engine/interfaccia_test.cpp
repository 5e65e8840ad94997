// The C interface: neutral answers without an engine, creation and re-creation, the store, and the
// deferred application through the host's delayed-task hook.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "segnali.h"
#include "velmora.h"

namespace {

class Interfaccia : public ::testing::Test {
  protected:
    void SetUp() override {
        velmora_ospite(nullptr, nullptr);
        velmora_distruggi();
    }
    void TearDown() override {
        velmora_ospite(nullptr, nullptr);
        velmora_distruggi();
    }
};

TEST_F(Interfaccia, SenzaMotoreOgniFunzioneRispondeNeutra) {
    EXPECT_FALSE(velmora_vivo());
    std::vector<float> l = {0.5f, -0.25f}, r = {0.1f, 0.2f};
    velmora_elabora(l.data(), r.data(), 2);
    EXPECT_EQ(l, (std::vector<float>{0.5f, -0.25f}));
    EXPECT_EQ(r, (std::vector<float>{0.1f, 0.2f}));
    velmora_imposta("g_pre", 3);
    EXPECT_FALSE(velmora_ha("g_pre"));
    EXPECT_EQ(velmora_leggi("g_pre", 7.5), 7.5);
    EXPECT_FALSE(velmora_acceso());
    EXPECT_FALSE(velmora_carica_preset("/dev/null"));
    EXPECT_EQ(velmora_guadagno_agc(), 0.0f);
    EXPECT_EQ(velmora_guadagno_porta(), 0.0f);
    EXPECT_EQ(velmora_guadagno_finestra(), 0.0f);
    EXPECT_EQ(velmora_banda(0), 0.0f);
    EXPECT_EQ(velmora_livello(0), -100.0f);
    EXPECT_EQ(velmora_uscita(0), -100.0f);
    EXPECT_EQ(velmora_metro_in(0), -100.0f);
    EXPECT_EQ(velmora_metro_out(4), -100.0f);
    EXPECT_EQ(velmora_finale(), 0.0f);
    EXPECT_EQ(velmora_tosatura(), 0.0f);
    EXPECT_STREQ(velmora_preset_json(), "{\n\n}\n");
}

TEST_F(Interfaccia, IndiciFuoriIntervalloEChiaviNulle) {
    velmora_crea(48000);
    EXPECT_EQ(velmora_banda(5), 0.0f);
    EXPECT_EQ(velmora_banda(-1), 0.0f);
    EXPECT_EQ(velmora_livello(5), -100.0f);
    EXPECT_EQ(velmora_uscita(-1), -100.0f);
    EXPECT_EQ(velmora_metro_in(-1), -100.0f);
    EXPECT_EQ(velmora_metro_out(5), -100.0f);
    // Before any block the meters are at rest.
    EXPECT_EQ(velmora_metro_in(0), -100.0f);
    EXPECT_EQ(velmora_guadagno_agc(), 0.0f);
    velmora_imposta(nullptr, 1);
    EXPECT_FALSE(velmora_ha(nullptr));
    EXPECT_EQ(velmora_leggi(nullptr, 2.5), 2.5);
    EXPECT_FALSE(velmora_carica_preset(nullptr));
    velmora_elabora(nullptr, nullptr, 16);  // no crash
}

// The rate in use shows in the gate's delay: 10 ms is 480 samples at 48 kHz. The stages after the
// head are switched off so that only the gate delays the click.
int ritardoPorta() {
    velmora_imposta("a_on", 0);
    velmora_imposta("m_on", 0);
    velmora_imposta("x_on", 0);
    std::vector<float> l(2048, 0.0f), r(2048, 0.0f);
    l[0] = r[0] = 0.5f;
    velmora_elabora(l.data(), r.data(), 2048);
    for (int i = 0; i < 2048; ++i)
        if (l[static_cast<std::size_t>(i)] != 0.0f) return i;
    return -1;
}

TEST_F(Interfaccia, FrequenzaNonPositivaDiventa48000) {
    for (double f : {0.0, -1.0, double(INFINITY), double(NAN), 1e12}) {
        velmora_crea(f);
        velmora_imposta("g_porta", 10);
        EXPECT_EQ(ritardoPorta(), 480) << f;
        velmora_distruggi();
    }
    velmora_crea(44100);
    velmora_imposta("g_porta", 10);
    EXPECT_EQ(ritardoPorta(), 441);
}

TEST_F(Interfaccia, LaRicreazioneTieneArchivioEAccensione) {
    velmora_crea(48000);
    velmora_imposta("m_tet3", -20);
    velmora_imposta("g_porta", 10);
    velmora_accendi(false);
    velmora_crea(96000);
    EXPECT_EQ(velmora_leggi("m_tet3", 0), -20);
    EXPECT_FALSE(velmora_acceso());
    velmora_accendi(true);
    // The stored look-ahead is in effect at the new rate without any further call.
    EXPECT_EQ(ritardoPorta(), 960);
}

TEST_F(Interfaccia, ChiaveSconosciutaRestaNellArchivioSenzaEffetto) {
    velmora_crea(48000);
    EXPECT_FALSE(velmora_ha("z_nulla"));
    EXPECT_EQ(velmora_leggi("z_nulla", 7.5), 7.5);
    auto prima = segnali::rumore(1024);
    auto l = prima, r = prima;
    velmora_imposta("z_nulla", 42);
    EXPECT_TRUE(velmora_ha("z_nulla"));
    EXPECT_EQ(velmora_leggi("z_nulla", 0), 42);
    velmora_elabora(l.data(), r.data(), 1024);
    EXPECT_NE(std::string(velmora_preset_json()).find("\"z_nulla\": 42"), std::string::npos);
}

TEST_F(Interfaccia, ValoriNonFinitiRifiutati) {
    velmora_crea(48000);
    velmora_imposta("g_pre", 2);
    velmora_imposta("g_pre", std::nan(""));
    velmora_imposta("g_pre", INFINITY);
    EXPECT_EQ(velmora_leggi("g_pre", 0), 2);
}

TEST_F(Interfaccia, DopoDistruggiTuttoTornaNeutro) {
    velmora_crea(48000);
    velmora_imposta("g_pre", 6);
    velmora_distruggi();
    EXPECT_FALSE(velmora_vivo());
    std::vector<float> l = {0.5f}, r = {0.5f};
    velmora_elabora(l.data(), r.data(), 1);
    EXPECT_EQ(l[0], 0.5f);
    velmora_imposta("g_pre", 1);
    EXPECT_FALSE(velmora_ha("g_pre"));
}

// A host with a manual clock: tasks run when the test moves time past their due moment.
struct OspiteFinto {
    struct Compito {
        velmora_compito f;
        void* dati;
        long dovuto;
    };
    long adesso = 0;
    std::vector<Compito> compiti;
    int postati = 0;
    std::vector<int> ritardi;

    static void posta(velmora_compito f, void* dati, int ms, void* contesto) {
        auto* o = static_cast<OspiteFinto*>(contesto);
        o->compiti.push_back({f, dati, o->adesso + ms});
        o->postati++;
        o->ritardi.push_back(ms);
    }
    void avanza(long ms) {
        adesso += ms;
        for (std::size_t i = 0; i < compiti.size();) {
            if (compiti[i].dovuto <= adesso) {
                auto c = compiti[i];
                compiti.erase(compiti.begin() + static_cast<long>(i));
                c.f(c.dati);
            } else {
                ++i;
            }
        }
    }
};

double guadagnoUscita() {
    std::vector<float> l(256, 0.25f), r(256, 0.25f);
    velmora_elabora(l.data(), r.data(), 256);
    return l[255] / 0.25;
}

TEST_F(Interfaccia, DieciModificheIn10msUnaSolaApplicazioneDopo25ms) {
    OspiteFinto o;
    velmora_crea(48000);
    velmora_imposta("a_on", 0);  // only the input gain changes the sound here
    velmora_imposta("m_on", 0);
    velmora_imposta("x_on", 0);
    velmora_ospite(&OspiteFinto::posta, &o);
    for (int i = 0; i < 10; ++i) {
        velmora_imposta("g_pre", 6.0 + i * 0.1);
        o.avanza(1);
    }
    EXPECT_EQ(o.postati, 1);
    EXPECT_EQ(o.ritardi.at(0), 25);
    // The store changed at once, the sound has not.
    EXPECT_NEAR(velmora_leggi("g_pre", 0), 6.9, 1e-12);
    EXPECT_NEAR(guadagnoUscita(), 1.0, 1e-6);
    o.avanza(14);  // 24 ms after the first change
    EXPECT_NEAR(guadagnoUscita(), 1.0, 1e-6);
    o.avanza(1);  // 25 ms
    EXPECT_NEAR(guadagnoUscita(), std::pow(10.0, 6.9 / 20), 1e-4);
    // A change after the application schedules a new one.
    velmora_imposta("g_pre", 0);
    EXPECT_EQ(o.postati, 2);
    velmora_applica_ora();
    EXPECT_NEAR(guadagnoUscita(), 1.0, 1e-6);
    o.avanza(100);  // the pending task still runs, harmlessly
    EXPECT_NEAR(guadagnoUscita(), 1.0, 1e-6);
}

TEST_F(Interfaccia, IlCompitoTrovaIlMotoreDelMomento) {
    OspiteFinto o;
    velmora_crea(48000);
    velmora_ospite(&OspiteFinto::posta, &o);
    velmora_imposta("g_pre", 6);
    velmora_distruggi();
    o.avanza(30);  // no engine: nothing happens, no crash
    velmora_crea(48000);
    EXPECT_FALSE(velmora_ha("g_pre"));
}

TEST_F(Interfaccia, PortaBersaglioAgisceSubitoSenzaApplicazione) {
    OspiteFinto o;
    velmora_crea(48000);
    velmora_ospite(&OspiteFinto::posta, &o);
    velmora_imposta("g_porta", 10);
    o.avanza(30);
    velmora_imposta("g_pbers", -26);  // scheduled, not yet applied
    std::vector<float> l(480), r(480);
    for (std::size_t i = 0; i < l.size(); ++i) l[i] = r[i] = (i % 100 < 50) ? 0.1f : -0.1f;
    velmora_elabora(l.data(), r.data(), 480);
    // Peaks at -20 dBFS and a target of -26 dB: the gain falls at once to -6 dB. With the old
    // target of -12 dB it would have risen.
    EXPECT_NEAR(velmora_guadagno_porta(), -6.0f, 0.01f);
}

}  // namespace
