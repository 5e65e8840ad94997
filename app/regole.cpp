#include "regole.h"

#include <algorithm>

namespace velmora {

namespace {

template <std::size_t N>
bool fra(const std::array<std::string_view, N>& elenco, std::string_view chiave) {
    return std::find(elenco.begin(), elenco.end(), chiave) != elenco.end();
}

constexpr std::string_view TETTO_BLOCCATO =
    "Non agisce: con TETTO BLOCCATO acceso la banda viene portata al tetto e ci resta, e la "
    "legge soglia/rapporto e' proprio quella che il tetto bloccato sostituisce. Spegni Tetto "
    "bloccato per usarlo.";
constexpr std::string_view ASCOLTO =
    "Non agisce: sei in modo ASCOLTO. Tutto il blocco finale -- rotatore, saturazione, "
    "spaziosita', clipper del basso, pre-enfasi, limitatore acuti, clipper e limitatore di "
    "sicurezza -- sta dentro la tosatura, e la tosatura serve solo a stare sotto il tetto di "
    "modulazione FM. Passa a RADIO per usarlo.";
constexpr std::string_view PASSA_ALTO_SPENTO =
    "Non agisce: il passa-alto e' a 0, cioe' spento. Alzalo e questo torna a contare.";
constexpr std::string_view MEDIO_ALTI_A_ZERO =
    "Non agisce: la campana medio-alti e' a zero sia in SEMPRE che in QUANDO SPINGONO, quindi "
    "non c'e' nessuna campana da spostare. Abbassa una delle due.";
constexpr std::string_view CODA_A_ZERO =
    "Non agisce: la coda del basso e' a zero sia in SEMPRE che in STRINGI. Abbassa una delle "
    "due.";
constexpr std::string_view PESO_A_ZERO = "Non agisce: il peso al grave e' a 0.";
constexpr std::string_view RIMBOMBO_A_ZERO = "Non agisce: il taglio del rimbombo e' a 0.";
constexpr std::string_view MURO_SPENTO =
    "Non agisce: il muro di banda e' a 24, cioe' spento del tutto.";
constexpr std::string_view STRETTA_SPENTA = "Non agisce: LA STRETTA e' a 1, cioe' spenta.";

constexpr std::string_view TETTO = "Il tetto della banda: dove viene portata e tenuta.";
constexpr std::string_view GUADAGNO = "Il guadagno che rimette su la banda.";

}  // namespace

std::optional<std::string_view> scavalcato(std::string_view chiave, const Valori& v) {
    if (chiave.starts_with("m_rap")) {
        if (v.valore("m_lock") > 0.5) return TETTO_BLOCCATO;
        return std::nullopt;
    }
    if (fra(BLOCCO_TOSATURA, chiave)) {
        // Broadcast mode is on only above 0.5, as the engine reads it.
        if (!(v.valore("x_radio") > 0.5)) return ASCOLTO;
        return std::nullopt;
    }
    if (chiave == "e_hpq" || chiave == "e_hpsez") {
        if (v.valore("e_hp") < 0.5) return PASSA_ALTO_SPENTO;
        return std::nullopt;
    }
    if (fra(MEDIO_ALTI, chiave)) {
        if (v.valore("x_mafix") > -0.01 && v.valore("x_madin") > -0.01) return MEDIO_ALTI_A_ZERO;
        return std::nullopt;
    }
    if (fra(CODA_BASSO, chiave)) {
        if (v.valore("x_bsfix") > -0.01 && v.valore("x_bsdin") > -0.01) return CODA_A_ZERO;
        return std::nullopt;
    }
    if (chiave == "a_subhz") {
        if (v.valore("a_sub") < 0.01) return PESO_A_ZERO;
        return std::nullopt;
    }
    if (chiave == "a_boomhz" || chiave == "a_boomq") {
        if (v.valore("a_boom") > -0.01) return RIMBOMBO_A_ZERO;
        return std::nullopt;
    }
    // The track-change speed and delay are never reported: with the distance at 0 dB the
    // speed-up engages on every move, and both still decide how fast and how soon it does.
    if (chiave == "m_limgr") {
        if (v.valore("m_lim") > 23.9) return MURO_SPENTO;
        return std::nullopt;
    }
    if (chiave.starts_with("m_str") && chiave != "m_str") {
        if (v.valore("m_str") < 1.001) return STRETTA_SPENTA;
        return std::nullopt;
    }
    return std::nullopt;
}

const std::array<Nota, 25> COMANDI_CHE_CONTANO{{
    {"g_pre",
     "Il livello d'ingresso. Sbagliato lui, sbagliato tutto: il 3/9 entrava a -58 dB e l'AGC "
     "tirava su di trenta -- si ascoltava rumore, non musica."},
    {"a_cut",
     "Taglia sotto, e taglia il SUONO non solo la misura. A 54 Hz buttava via 7.6 dB di "
     "bassissime, irrecuperabili dopo."},
    {"m_tet1",
     "Il tetto della banda: dove viene portata e tenuta. E' il comando del tetto bloccato, cioe' "
     "di tutta la macchina."},
    {"m_tet2", TETTO},
    {"m_tet3", TETTO},
    {"m_tet4", TETTO},
    {"m_tet5", TETTO},
    {"m_gai1",
     "Il guadagno che rimette su la banda dopo che il tetto l'ha schiacciata. Tetto giu' e "
     "guadagno su della stessa quantita' = piu' compressione a parita' di livello. E' il "
     "«fermarli, tagliarli e gonfiare»."},
    {"m_gai2",
     "Il guadagno che rimette su la banda. Tetto giu' + guadagno su = piu' schiacciata, stesso "
     "livello."},
    {"m_gai3", GUADAGNO},
    {"m_gai4", GUADAGNO},
    {"m_gai5", GUADAGNO},
    {"m_ril1",
     "Quanto in fretta il guadagno risale dopo un colpo. Corto = tira su la coda, il basso dura. "
     "Lungo = la coda muore e il suono scoda."},
    {"m_ril2", "Quanto in fretta il guadagno risale dopo un colpo. Corto = il basso dura di piu'."},
    {"m_lim",
     "Il muro di banda: quanti dB sopra il tetto sta la barriera che non si supera mai. Stretto "
     "= piatto e fortissimo; largo = i colpi passano."},
    {"m_limrel", "Quanto in fretta il muro molla. Lungo = non ritaglia la coda mentre si forma."},
    {"m_det",
     "Su che finestra si misura ogni banda. Corto e il guadagno insegue le note invece del "
     "livello: era il baco del 20 agosto."},
    {"x_arm",
     "Le armoniche del grave. Sotto i 60 Hz a volume basso l'orecchio non sente: il basso si "
     "sente lo stesso grazie a queste. Misurato: l'Tervane le tiene 4.1 dB sotto la "
     "fondamentale, noi 7.4 senza."},
    {"x_armhz",
     "Fin dove arriva il grave che viene armonizzato: conviene farlo coincidere con la fine "
     "della banda del basso."},
    {"x_radio",
     "ASCOLTO o RADIO. La tosatura serve a stare sotto il tetto di modulazione FM: in cuffia "
     "quel tetto non c'e' e resta solo il prezzo -- cime del basso da 13.1 a 2.4, l'Tervane sta "
     "a 22.3."},
    {"x_clip",
     "Il clipper finale. A 12.5 aggiungeva -3 dB di roba sua: meta' di quello che si ascoltava "
     "era distorsione. Il tecnico Tervane dice 0.0-0.5."},
    {"x_bcdb",
     "Il clipper del basso. Le armoniche le ricava TOGLIENDO dalla fondamentale: paga 4.3 dB di "
     "sporco per 1.5 di armoniche. Per questo sta a zero."},
    {"x_spazio",
     "L'allargatore. Misurato sullo Widenor: 45 a 700 Hz porta il lato a -1.8 dB sotto il "
     "centro, come lui."},
    {"m_str",
     "La stretta: il compressore di mezzo, l'unico posto dove il legame fra le bande si SENTE."},
    {"m_strril", "Quanto tiene la stretta fra un colpo e l'altro: e' quello che riempie i vuoti."},
}};

std::optional<std::string_view> notaCheConta(std::string_view chiave) {
    for (const Nota& n : COMANDI_CHE_CONTANO)
        if (n.chiave == chiave) return n.nota;
    return std::nullopt;
}

}  // namespace velmora
