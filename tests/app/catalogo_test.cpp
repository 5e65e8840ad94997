#include "catalogo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "catena.h"
#include "regole.h"
#include "valori_motore.h"

using velmora::COMANDI;
using velmora::Comando;

namespace {

const Comando& comando(std::string_view id) {
    const Comando* c = velmora::trova(id);
    if (c == nullptr) throw std::runtime_error("no control " + std::string(id));
    return *c;
}

bool multiplo(double x, double passo) {
    const double k = x / passo;
    return std::abs(k - std::round(k)) < 1e-6;
}

const std::set<std::string> AIUTO_VUOTO{"e_lshz", "e_b1hz", "e_b1q",  "e_b2hz", "e_b2db", "e_b2q",
                                        "e_b3db", "e_b3q",  "e_hshz", "e_lpq",  "x_bsq"};

}  // namespace

TEST(Catalogo, SezioniNellOrdineEConLeLoroDimensioni) {
    ASSERT_EQ(COMANDI.size(), 148u);
    std::vector<std::pair<std::string, int>> sezioni;
    for (const Comando& c : COMANDI) {
        if (sezioni.empty() || sezioni.back().first != c.sezione) sezioni.push_back({c.sezione, 0});
        ++sezioni.back().second;
    }
    const std::vector<std::pair<std::string, int>> attese{
        {"EQ", 18},     {"AGC", 31},    {"BANDE", 29},  {"CLIPPING", 15}, {"FINALE", 15},
        {"BANDA 1", 8}, {"BANDA 2", 8}, {"BANDA 3", 8}, {"BANDA 4", 8},   {"BANDA 5", 8}};
    EXPECT_EQ(sezioni, attese);
    for (std::size_t i = 0; i < velmora::SEZIONI.size(); ++i)
        EXPECT_EQ(velmora::SEZIONI[i], attese[i].first);
}

TEST(Catalogo, ChiaviUnicheETrovabili) {
    std::set<std::string> viste;
    for (const Comando& c : COMANDI) {
        EXPECT_TRUE(viste.insert(c.id).second) << c.id;
        EXPECT_EQ(velmora::trova(c.id), &c);
        EXPECT_TRUE(c.id.size() > 2 && c.id[1] == '_' &&
                    std::string("egafmx").find(c.id[0]) != std::string::npos)
            << c.id;
    }
    EXPECT_EQ(velmora::trova("o_schiaccia"), nullptr);
    EXPECT_EQ(velmora::trova(""), nullptr);
}

TEST(Catalogo, IntervalliPassiEPredefinitiCoerenti) {
    for (const Comando& c : COMANDI) {
        SCOPED_TRACE(c.id);
        EXPECT_LT(c.min, c.max);
        EXPECT_GT(c.passo, 0);
        EXPECT_GE(c.def, c.min);
        EXPECT_LE(c.def, c.max);
        EXPECT_TRUE(multiplo(c.min, c.passo));
        EXPECT_TRUE(multiplo(c.max, c.passo));
        // The two pass-filter Qs default to the Butterworth 0.707, finer than their step.
        if (c.id != "e_hpq" && c.id != "e_lpq") {
            EXPECT_TRUE(multiplo(c.def, c.passo));
        }
        EXPECT_TRUE(c.unita.empty() || c.unita == ":1" || (c.unita[0] == ' ' && c.unita.size() > 1))
            << '"' << c.unita << '"';
        EXPECT_FALSE(c.nome.empty());
        EXPECT_FALSE(c.nomeIt.empty());
    }
    EXPECT_DOUBLE_EQ(comando("e_hpq").def, 0.707);
    EXPECT_EQ(comando("m_str").unita, ":1");
    EXPECT_EQ(comando("f_min").unita, " LUFS");
}

TEST(Catalogo, LeCinqueBandeSonoUguali) {
    for (int b = 2; b <= 5; ++b)
        for (int k = 0; k < 8; ++k) {
            Comando uno = COMANDI[148 - 40 + static_cast<std::size_t>(k)];
            const Comando& altro = COMANDI[148 - 40 + static_cast<std::size_t>((b - 1) * 8 + k)];
            EXPECT_EQ(altro.id, uno.id.substr(0, uno.id.size() - 1) + std::to_string(b));
            EXPECT_EQ(altro.sezione, "BANDA " + std::to_string(b));
            uno.id = altro.id;
            uno.sezione = altro.sezione;
            EXPECT_EQ(uno, altro);
        }
}

TEST(Catalogo, TestiDiAiuto) {
    int vuoti = 0;
    for (const Comando& c : COMANDI) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(c.aiuto.empty(), c.aiutoIt.empty());
        EXPECT_EQ(c.aiuto.empty(), AIUTO_VUOTO.count(c.id) == 1);
        vuoti += c.aiuto.empty();
        if (c.aiuto.empty()) continue;
        EXPECT_NE(c.aiuto, c.aiutoIt);
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(c.aiuto.front())));
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(c.aiuto.back())));
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(c.aiutoIt.back())));
        const bool spazio = c.id == "a_cut" || c.id == "m_lim" || c.id == "x_ant";
        EXPECT_EQ(c.aiutoIt.front() == ' ', spazio);
        if (spazio) {
            EXPECT_NE(c.aiutoIt[1], ' ');
        }
        EXPECT_EQ(c.aiuto.find("  "), std::string::npos);
        EXPECT_EQ(c.aiutoIt.find("  ", 1), std::string::npos);
    }
    EXPECT_EQ(vuoti, 11);

    EXPECT_EQ(comando("g_pbers").aiuto,
              "Where the peaks are put. The whole chain is tuned for -12.");
    for (int b = 1; b <= 5; ++b)
        EXPECT_EQ(comando("m_bon" + std::to_string(b)).aiuto,
                  "Turn this band off to hear what it was doing. Off it still passes - the "
                  "spectrum stays whole - but its gain sits at zero and its wall does nothing.");

    EXPECT_TRUE(velmora::testoAiuto("m_tet6").aiuto.empty());
    EXPECT_TRUE(velmora::testoAiuto("x_nulla").aiuto.empty());
}

TEST(Catalogo, Interruttori) {
    std::set<std::string> interruttori;
    for (const Comando& c : COMANDI)
        if (c.interruttore()) interruttori.insert(c.id);
    const std::set<std::string> attesi{"f_on",    "a_pesato", "a_sologiu", "m_lock",
                                       "x_radio", "x_tosaon", "x_limit",   "m_bon1",
                                       "m_bon2",  "m_bon3",   "m_bon4",    "m_bon5"};
    EXPECT_EQ(interruttori, attesi);
    EXPECT_FALSE(comando("e_hpsez").interruttore());
    EXPECT_FALSE(comando("m_pend").interruttore());
}

TEST(Catalogo, Essenziali) {
    int n = 0;
    for (const Comando& c : COMANDI) n += velmora::essenziale(c);
    EXPECT_EQ(n, 67);
    for (const char* si :
         {"m_sog4", "m_sot1", "m_tet5", "m_att2", "m_ril3", "m_acc34", "e_b1q", "x_mix", "f_on"})
        EXPECT_TRUE(velmora::essenziale(comando(si))) << si;
    for (const char* no : {"m_gai4", "m_bon1", "m_rap3", "e_b2hz", "e_b2db", "x_spaziohz", "m_xo1",
                           "g_pre", "x_arm"})
        EXPECT_FALSE(velmora::essenziale(comando(no))) << no;
    // Every pattern names a control or a band kind.
    for (std::string_view p : velmora::ESSENZIALI)
        EXPECT_TRUE(velmora::trova(p) != nullptr || velmora::trova(std::string(p) + "1") != nullptr)
            << p;
}

TEST(Catalogo, PredefinitiEFiltri) {
    EXPECT_EQ(velmora::PREDEFINITI.mappa().size(), 148u);
    EXPECT_EQ(velmora::PREDEFINITI("m_tet3"), -8);
    EXPECT_EQ(velmora::PREDEFINITI("o_mbdrive"), 0);
    // Every handle of the curve moves equaliser controls of the right kind.
    for (const velmora::Filtro& f : velmora::FILTRI) {
        ASSERT_TRUE(f.hz.has_value());
        EXPECT_EQ(comando(*f.hz).unita, " Hz");
        if (f.db) {
            EXPECT_EQ(comando(*f.db).unita, " dB");
        }
        if (f.q) {
            EXPECT_TRUE(comando(*f.q).unita.empty());
        }
    }
}

TEST(Muovi, TaglioEPasso) {
    using velmora::muovi;
    // A step of 24 on 24 ... 48: only the two ends.
    EXPECT_EQ(muovi(comando("m_pend"), 30), 24);
    EXPECT_EQ(muovi(comando("m_pend"), 35.9), 24);
    EXPECT_EQ(muovi(comando("m_pend"), 36), 48);  // half away from zero
    EXPECT_EQ(muovi(comando("m_pend"), 100), 48);
    // Fine steps land on the decimal values themselves.
    EXPECT_EQ(muovi(comando("x_in"), 3.14159), 3.14);
    EXPECT_EQ(muovi(comando("x_out"), -0.005), -0.01);
    EXPECT_EQ(muovi(comando("x_out"), -0.0049), 0);
    EXPECT_EQ(muovi(comando("x_clip"), 0.37), 0.25);
    EXPECT_EQ(muovi(comando("x_clip"), 0.375), 0.5);
    EXPECT_EQ(muovi(comando("x_bsdin"), -0.125), -0.25);
    EXPECT_EQ(muovi(comando("e_lsdb"), 0.05), 0.1);
    EXPECT_EQ(muovi(comando("e_lsdb"), -0.05), -0.1);
    EXPECT_EQ(muovi(comando("g_pvel"), 0.5), 0.6);
    EXPECT_EQ(muovi(comando("m_att1"), 7.349), 7.3);
    // Below the range: exactly the minimum, above: exactly the maximum, for every control.
    for (const Comando& c : COMANDI) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(muovi(c, c.min - 1000), c.min);
        EXPECT_EQ(muovi(c, -std::numeric_limits<double>::infinity()), c.min);
        EXPECT_EQ(muovi(c, c.max + 1e6), c.max);
        for (double t : {0.013, 0.37, 0.5, 0.77, 0.999}) {
            const double v = muovi(c, c.min + t * (c.max - c.min));
            EXPECT_GE(v, c.min);
            EXPECT_LE(v, c.max);
            EXPECT_TRUE(multiplo(v, c.passo)) << v;
            EXPECT_EQ(muovi(c, v), v);  // a settled value stays where it is
        }
    }
    EXPECT_EQ(muovi(comando("e_lshz"), std::nan("")), 68);
}

TEST(Muovi, TrascinamentoVerticale) {
    const Comando& c = comando("e_lshz");                          // 30 ... 300
    EXPECT_DOUBLE_EQ(velmora::trascinaNumero(c, 100, -260), 370);  // 260 points up: whole range
    EXPECT_DOUBLE_EQ(velmora::trascinaNumero(c, 100, 26), 73);
    EXPECT_EQ(velmora::muovi(c, velmora::trascinaNumero(c, 100, 2000)), 30);
}

TEST(Muovi, ValoreMostrato) {
    EXPECT_EQ(velmora::mostraValore(3.14159, " dB"), "3.14 dB");
    EXPECT_EQ(velmora::mostraValore(-12, " dB"), "-12.00 dB");
    EXPECT_EQ(velmora::mostraValore(2.5, ":1"), "2.50:1");
    EXPECT_EQ(velmora::mostraValore(0.005, ""), "0.01");
    EXPECT_EQ(velmora::mostraValore(-0.001, " dB"), "0.00 dB");
    EXPECT_EQ(velmora::mostraValore(20000, " Hz"), "20000.00 Hz");
}

TEST(Catalogo, UguaglianzaEHash) {
    Comando a = comando("m_tet2");
    const Comando b = a;
    EXPECT_EQ(std::hash<Comando>{}(a), std::hash<Comando>{}(b));
    a.aiutoIt += "!";
    EXPECT_NE(a, b);
    EXPECT_NE(std::hash<Comando>{}(a), std::hash<Comando>{}(b));
}

TEST(Elenco, SezioneVisibile) {
    ValoriMotore v;
    // Listening mode: every essential clipping control has no effect.
    auto e = velmora::elencaSezione("CLIPPING", false, false, v);
    EXPECT_TRUE(e.comandi.empty());
    EXPECT_EQ(e.nascosti, 5);
    e = velmora::elencaSezione("CLIPPING", false, true, v);
    EXPECT_EQ(e.comandi.size(), 5u);
    EXPECT_EQ(e.nascosti, 0);
    v.imposta("x_radio", 1);
    e = velmora::elencaSezione("CLIPPING", true, false, v);
    EXPECT_EQ(e.comandi.size(), 15u);
    EXPECT_EQ(e.nascosti, 0);

    // The crossovers never appear; the bonding details hide while the bonding compressor is off.
    e = velmora::elencaSezione("BANDE", true, false, v);
    for (const Comando* c : e.comandi) EXPECT_FALSE(c->id.starts_with("m_xo")) << c->id;
    EXPECT_EQ(e.nascosti, 6);
    EXPECT_EQ(e.comandi.size() + 6u, 29u - 4u);
    EXPECT_EQ(e.comandi.front()->id, "m_inmin");  // table order

    // Band 3 in the reduced view: gate, below-gate gain, ceiling, attack, release.
    e = velmora::elencaSezione("BANDA 3", false, false, v);
    std::vector<std::string> ids;
    for (const Comando* c : e.comandi) ids.push_back(c->id);
    EXPECT_EQ(ids, (std::vector<std::string>{"m_sog3", "m_sot3", "m_tet3", "m_att3", "m_ril3"}));
    e = velmora::elencaSezione("BANDA 3", true, false, v);
    EXPECT_EQ(e.nascosti, 1);  // the ratio, with Hold at ceiling on
    EXPECT_TRUE(velmora::elencaSezione("NESSUNA", true, true, v).comandi.empty());
}

TEST(Fumetto, Prefissi) {
    ValoriMotore v;
    const Comando& pre = comando("g_pre");
    EXPECT_EQ(
        velmora::fumetto(pre, true, v),
        "● QUESTO CONTA — " + std::string(*velmora::notaCheConta("g_pre")) + "\n\n" + pre.aiutoIt);
    // The prefix stays Italian in English.
    EXPECT_EQ(
        velmora::fumetto(pre, false, v),
        "● QUESTO CONTA — " + std::string(*velmora::notaCheConta("g_pre")) + "\n\n" + pre.aiuto);

    // No effect wins over counting.
    const Comando& clip = comando("x_clip");
    const std::string f = velmora::fumetto(clip, false, v);
    EXPECT_TRUE(f.starts_with("⚠ NON AGISCE — Non agisce: sei in modo ASCOLTO.")) << f;
    EXPECT_TRUE(f.ends_with("\n\n" + clip.aiuto));
    v.imposta("x_radio", 1);
    EXPECT_TRUE(
        velmora::fumetto(clip, false, v).starts_with("● QUESTO CONTA — Il clipper finale."));

    // Empty help: empty tooltip, or a prefix followed by the two line feeds.
    EXPECT_EQ(velmora::fumetto(comando("e_b2db"), true, v), "");
    const std::string bsq = velmora::fumetto(comando("x_bsq"), true, v);
    EXPECT_TRUE(bsq.starts_with("⚠ NON AGISCE — Non agisce: la coda del basso"));
    EXPECT_TRUE(bsq.ends_with("STRINGI. Abbassa una delle due.\n\n"));
    v.imposta("x_bsdin", -2);
    EXPECT_EQ(velmora::fumetto(comando("x_bsq"), true, v), "");

    // Neither: the help text alone.
    EXPECT_EQ(velmora::fumetto(comando("x_in"), true, v), comando("x_in").aiutoIt);
}

TEST(Fumetto, SuggerimentoDelPiede) {
    const Comando& c = comando("x_out");
    const std::string it = velmora::suggerimento(c, true);
    EXPECT_EQ(it, "Uscita — " + c.aiutoIt);
    EXPECT_EQ(velmora::suggerimento(c, false), "Output — " + c.aiuto);
    EXPECT_TRUE(velmora::suggerimentoDi(it, "Uscita"));
    EXPECT_FALSE(velmora::suggerimentoDi(it, "Usc"));
    EXPECT_FALSE(velmora::suggerimentoDi("Ingresso — x", "Uscita"));
    EXPECT_TRUE(velmora::suggerimentoDi("Uscita — ", "Uscita"));
    EXPECT_FALSE(velmora::suggerimentoDi("Uscita", "Uscita"));
}

// Every key reaches the engine's store and the settings of the stage its prefix names.
namespace {

// The bytes of T that its members occupy: default-construct it over two different fillings;
// padding and members without an initializer keep the filling and are left out.
template <class T>
std::vector<bool> significativi() {
    static_assert(std::is_trivially_copyable_v<T>);
    alignas(T) unsigned char a[sizeof(T)];
    alignas(T) unsigned char b[sizeof(T)];
    std::memset(a, 0x00, sizeof a);
    std::memset(b, 0xA5, sizeof b);
    ::new (static_cast<void*>(a)) T;
    ::new (static_cast<void*>(b)) T;
    std::vector<bool> m(sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) m[i] = a[i] == b[i];
    return m;
}

template <class T>
bool uguali(const T& x, const T& y) {
    static const std::vector<bool> m = significativi<T>();
    const auto* a = reinterpret_cast<const unsigned char*>(&x);
    const auto* b = reinterpret_cast<const unsigned char*>(&y);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        if (m[i] && a[i] != b[i]) return false;
    return true;
}

struct Letture {
    velmora::Impostazioni s;
    double portaBersaglio, portaVelocita;
};

Letture leggi(const velmora::Parametri& p) {
    Letture l{velmora::leggiImpostazioni(p, 48000), 0, 0};
    velmora::Catena c(48000);
    c.parametri = p;
    c.aggiornaPorta();
    l.portaBersaglio = c.portaBersaglio.load();
    l.portaVelocita = c.portaVelocita.load();
    return l;
}

bool testaUguale(const Letture& a, const Letture& b) {
    const velmora::Testa& x = a.s.testa;
    const velmora::Testa& y = b.s.testa;
    return x.pre == y.pre && x.canc == y.canc && x.cancMs == y.cancMs &&
           x.finestraAccesa == y.finestraAccesa && x.finestraMin == y.finestraMin &&
           x.finestraMax == y.finestraMax && x.finestraVel == y.finestraVel &&
           x.portaL.size() == y.portaL.size() && a.portaBersaglio == b.portaBersaglio &&
           a.portaVelocita == b.portaVelocita;
}

// Which of the five parts of the settings differ: eq, agc, mb, max, head of chain.
std::array<bool, 5> differenze(const Letture& a, const Letture& b) {
    return {!uguali(a.s.eq, b.s.eq), !uguali(a.s.agc, b.s.agc), !uguali(a.s.mb, b.s.mb),
            !uguali(a.s.max, b.s.max), !testaUguale(a, b)};
}

std::size_t stadio(const std::string& id) {
    switch (id[0]) {
        case 'e':
            return 0;
        case 'a':
            return 1;
        case 'm':
            return 2;
        case 'x':
            return 3;
        default:
            return 4;  // g_ and f_: the head of the chain
    }
}

}  // namespace

TEST(Motore, OgniChiaveEntraNellArchivio) {
    ValoriMotore v;
    for (const Comando& c : COMANDI) {
        for (double x : {c.def, c.min, c.max}) {
            velmora_imposta(c.id.c_str(), x);
            EXPECT_TRUE(velmora_ha(c.id.c_str())) << c.id;
            EXPECT_EQ(velmora_leggi(c.id.c_str(), -12345), x) << c.id;
        }
    }
}

TEST(Motore, OgniChiaveLaLeggeIlSuoStadio) {
    // The comparison sees no difference where there is none, and no stage reads a stranger.
    const auto nessuna = differenze(leggi({}), leggi({{"z_nulla", 3}}));
    EXPECT_EQ(nessuna, (std::array<bool, 5>{}));
    std::vector<std::string> nonLette;
    for (const Comando& c : COMANDI) {
        // The final stage reads its clipping keys only in broadcast mode.
        velmora::Parametri base;
        if (c.id.starts_with("x_") && c.id != "x_radio") base["x_radio"] = 1;
        const Letture prima = leggi(base);
        bool letta = false;
        for (double x : {c.def, c.min, c.max}) {
            velmora::Parametri p = base;
            p[c.id] = x;
            const auto d = differenze(prima, leggi(p));
            for (std::size_t s = 0; s < d.size(); ++s)
                if (s != stadio(c.id)) {
                    EXPECT_FALSE(d[s]) << c.id << " moves part " << s;
                }
            letta = letta || d[stadio(c.id)];
        }
        if (!letta) nonLette.push_back(c.id);
    }
    std::string elenco;
    for (const auto& k : nonLette) elenco += k + " ";
    EXPECT_TRUE(nonLette.empty()) << "not read by their stage: " << elenco;
}
