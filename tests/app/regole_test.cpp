#include "regole.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalogo.h"
#include "valori_motore.h"
#include "velmora.h"

using velmora::scavalcato;

namespace {

struct Caso {
    const char* chiave;  // the control asked about
    const char* guida;   // the control that decides
    double agisce;       // a value of the deciding control with which the control acts
    double nonAgisce;    // one with which it has no effect
    const char* inizio;  // the start of the reason
};

// Each rule on both sides of its margin.
const Caso CASI[] = {
    {"m_rap3", "m_lock", 0.5, 0.51, "Non agisce: con TETTO BLOCCATO acceso"},
    {"m_rap1", "m_lock", 0, 1, "Non agisce: con TETTO BLOCCATO acceso"},
    {"x_clip", "x_radio", 0.51, 0, "Non agisce: sei in modo ASCOLTO."},
    {"x_tosaon", "x_radio", 1, 0.49, "Non agisce: sei in modo ASCOLTO."},
    {"x_limit", "x_radio", 1, 0.5, "Non agisce: sei in modo ASCOLTO."},
    {"e_hpq", "e_hp", 0.5, 0.4, "Non agisce: il passa-alto e' a 0"},
    {"e_hpsez", "e_hp", 80, 0, "Non agisce: il passa-alto e' a 0"},
    {"a_subhz", "a_sub", 0.01, 0.009, "Non agisce: il peso al grave e' a 0."},
    {"a_boomhz", "a_boom", -0.01, -0.009, "Non agisce: il taglio del rimbombo e' a 0."},
    {"a_boomq", "a_boom", -3, 0, "Non agisce: il taglio del rimbombo e' a 0."},
    {"m_limgr", "m_lim", 23.9, 23.95, "Non agisce: il muro di banda e' a 24"},
    {"m_limgr", "m_lim", 23.5, 24, "Non agisce: il muro di banda e' a 24"},
    {"m_strms", "m_str", 1.001, 1.0009, "Non agisce: LA STRETTA e' a 1, cioe' spenta."},
    {"m_strcom", "m_str", 2, 1, "Non agisce: LA STRETTA e' a 1, cioe' spenta."},
};

}  // namespace

TEST(Scavalcato, OgniRegolaSuiDueLatiDelMargine) {
    for (const Caso& c : CASI) {
        SCOPED_TRACE(std::string(c.chiave) + " / " + c.guida);
        ValoriMotore v;
        v.imposta(c.guida, c.agisce);
        EXPECT_FALSE(scavalcato(c.chiave, v).has_value());
        v.imposta(c.guida, c.nonAgisce);
        const auto motivo = scavalcato(c.chiave, v);
        ASSERT_TRUE(motivo.has_value());
        EXPECT_TRUE(motivo->starts_with(c.inizio)) << *motivo;
    }
}

// With the track-change distance at 0 dB the speed-up still shapes the leveller, so its controls
// are never reported as without effect.
TEST(Scavalcato, CambioDiscoAZeroAgisceAncora) {
    ValoriMotore v;
    v.imposta("a_salto", 0);
    EXPECT_FALSE(scavalcato("a_saltox", v).has_value());
    EXPECT_FALSE(scavalcato("a_saltoms", v).has_value());
    auto guadagnoDopoTreSecondi = [](double saltox) {
        velmora_crea(48000);
        velmora_imposta("a_salto", 0);
        velmora_imposta("a_saltox", saltox);
        std::vector<float> l(480), r(480);
        for (int k = 0; k < 300; ++k) {
            for (int i = 0; i < 480; ++i)
                l[static_cast<std::size_t>(i)] = r[static_cast<std::size_t>(i)] =
                    static_cast<float>(0.0447 * std::sin(0.13 * (k * 480 + i)));
            velmora_elabora(l.data(), r.data(), 480);
        }
        return velmora_guadagno_agc();
    };
    EXPECT_GT(guadagnoDopoTreSecondi(8) - guadagnoDopoTreSecondi(1), 3.0f);
}

TEST(Scavalcato, DueControlliInsieme) {
    ValoriMotore v;
    // Upper mids: only when both cuts are at zero.
    v.imposta("x_mafix", -0.005);
    v.imposta("x_madin", 0);
    EXPECT_TRUE(scavalcato("x_maq", v).has_value());
    v.imposta("x_madin", -0.25);
    EXPECT_FALSE(scavalcato("x_maq", v).has_value());
    v.imposta("x_madin", 0);
    v.imposta("x_mafix", -0.01);
    EXPECT_FALSE(scavalcato("x_mahz", v).has_value());
    // Bass tail likewise.
    v.imposta("x_bsfix", 0);
    v.imposta("x_bsdin", -0.009);
    EXPECT_EQ(*scavalcato("x_bshz", v),
              "Non agisce: la coda del basso e' a zero sia in SEMPRE che in STRINGI. Abbassa una "
              "delle due.");
    v.imposta("x_bsdin", -0.011);
    EXPECT_FALSE(scavalcato("x_bshz", v).has_value());
    // Broadcast mode brings the clipping block back even with clipping itself switched off.
    v.imposta("x_radio", 1);
    v.imposta("x_tosaon", 0);
    EXPECT_FALSE(scavalcato("x_clip", v).has_value());
}

TEST(Scavalcato, ConIPredefinitiDelCatalogo) {
    // An empty store reads as the catalogue defaults: listening mode, high-pass off, both bells
    // at zero, no sub lift or boom cut, bonding compressor off, Hold at ceiling on.
    ValoriMotore v;
    std::set<std::string> senzaEffetto;
    for (const velmora::Comando& c : velmora::COMANDI)
        if (scavalcato(c.id, v)) senzaEffetto.insert(c.id);
    EXPECT_EQ(senzaEffetto.size(), 15u + 2 + 3 + 2 + 1 + 2 + 6 + 5);
    EXPECT_TRUE(senzaEffetto.count("m_rap5"));
    EXPECT_FALSE(senzaEffetto.count("a_saltox"));
    EXPECT_FALSE(senzaEffetto.count("m_limgr"));
    EXPECT_EQ(*scavalcato("m_rap2", v),
              "Non agisce: con TETTO BLOCCATO acceso la banda viene portata al tetto e ci resta, "
              "e la legge soglia/rapporto e' proprio quella che il tetto bloccato sostituisce. "
              "Spegni Tetto bloccato per usarlo.");
    EXPECT_EQ(*scavalcato("x_rot", v),
              "Non agisce: sei in modo ASCOLTO. Tutto il blocco finale -- rotatore, saturazione, "
              "spaziosita', clipper del basso, pre-enfasi, limitatore acuti, clipper e limitatore "
              "di sicurezza -- sta dentro la tosatura, e la tosatura serve solo a stare sotto il "
              "tetto di modulazione FM. Passa a RADIO per usarlo.");
}

TEST(Scavalcato, IComandiCheDecidonoNonSonoMaiSegnalati) {
    const char* guide[] = {"m_lock", "x_radio", "e_hp",    "a_sub",   "a_boom",  "a_salto",
                           "m_lim",  "m_str",   "x_mafix", "x_madin", "x_bsfix", "x_bsdin"};
    for (double x : {-100.0, -1.0, 0.0, 0.5, 1.0, 24.0, 100.0}) {
        ValoriMotore v;
        for (const char* g : guide) v.imposta(g, x);
        for (const char* g : guide) EXPECT_FALSE(scavalcato(g, v).has_value()) << g << " " << x;
        EXPECT_FALSE(scavalcato("g_pre", v).has_value());
        EXPECT_FALSE(scavalcato("non_una_chiave", v).has_value());
    }
}

TEST(ComandiCheContano, Tabella) {
    EXPECT_EQ(velmora::COMANDI_CHE_CONTANO.size(), 25u);
    std::set<std::string_view> chiavi;
    for (const velmora::Nota& n : velmora::COMANDI_CHE_CONTANO) {
        EXPECT_TRUE(chiavi.insert(n.chiave).second) << n.chiave;
        EXPECT_NE(velmora::trova(n.chiave), nullptr) << n.chiave;
        EXPECT_EQ(velmora::notaCheConta(n.chiave), n.nota);
    }
    EXPECT_EQ(*velmora::notaCheConta("m_tet4"),
              "Il tetto della banda: dove viene portata e tenuta.");
    EXPECT_EQ(*velmora::notaCheConta("m_gai5"), "Il guadagno che rimette su la banda.");
    EXPECT_EQ(*velmora::notaCheConta("m_strril"),
              "Quanto tiene la stretta fra un colpo e l'altro: e' quello che riempie i vuoti.");
    EXPECT_FALSE(velmora::notaCheConta("m_ril3").has_value());
    EXPECT_FALSE(velmora::notaCheConta("x_in").has_value());
}
