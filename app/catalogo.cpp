#include "catalogo.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>

#include "regole.h"

namespace velmora {

namespace {

struct Riga {
    std::string_view id, nome, nomeIt, unita;
    double min, max, passo, def;
};

// Section by section, in display order. Units carry their leading space.
constexpr Riga EQ[] = {
    {"e_hp", "High-pass", "Passa-alto", " Hz", 0, 300, 1, 0},
    {"e_hpq", "High-pass: Q", "Passa-alto: Q", "", 0.1, 2, 0.01, 0.707},
    {"e_hpsez", "High-pass: slope", "Passa-alto: pendenza", " x12dB", 1, 2, 1, 1},
    {"e_lshz", "Low shelf: where", "Scaffale basso: dove", " Hz", 30, 300, 1, 68},
    {"e_lsdb", "Low shelf", "Scaffale basso", " dB", -12, 12, 0.1, 0},
    {"e_b1hz", "Bell 1: where", "Campana 1: dove", " Hz", 30, 500, 1, 117},
    {"e_b1db", "Bell 1", "Campana 1", " dB", -15, 15, 0.1, 0},
    {"e_b1q", "Bell 1: width", "Campana 1: larghezza", "", 0.2, 8, 0.05, 2.1},
    {"e_b2hz", "Bell 2: where", "Campana 2: dove", " Hz", 150, 2000, 5, 250},
    {"e_b2db", "Bell 2", "Campana 2", " dB", -15, 15, 0.1, 0},
    {"e_b2q", "Bell 2: width", "Campana 2: larghezza", "", 0.2, 8, 0.05, 1},
    {"e_b3hz", "Bell 3: where", "Campana 3: dove", " Hz", 800, 12000, 10, 2500},
    {"e_b3db", "Bell 3", "Campana 3", " dB", -15, 15, 0.1, 0},
    {"e_b3q", "Bell 3: width", "Campana 3: larghezza", "", 0.2, 8, 0.05, 1},
    {"e_hshz", "High shelf: where", "Scaffale alto: dove", " Hz", 2000, 16000, 50, 10000},
    {"e_hsdb", "High shelf", "Scaffale alto", " dB", -12, 12, 0.1, 0},
    {"e_lp", "Low-pass", "Passa-basso", " Hz", 1000, 20000, 50, 20000},
    {"e_lpq", "Low-pass: Q", "Passa-basso: Q", "", 0.1, 2, 0.01, 0.707},
};

constexpr Riga AGC[] = {
    {"g_porta", "Gate: look-ahead", "Porta: anticipo", " ms", 0, 1000, 10, 0},
    {"g_pbers", "Gate: target", "Porta: bersaglio", " dB", -24, -3, 0.5, -12},
    {"g_canc", "Gate: never below", "Porta: mai sotto", " dB", -90, -20, 1, -90},
    {"g_cancms", "Gate: never below — window", "Porta: mai sotto — finestra", " ms", 5, 300, 5, 60},
    {"g_pvel", "Gate: speed", "Porta: velocita'", " dB/s", 0.2, 24, 0.2, 3},
    {"f_on", "Programme window", "Finestra del programma", "", 0, 1, 1, 0},
    {"f_min", "Programme: never below", "Programma: mai sotto", " LUFS", -36, -8, 0.5, -20},
    {"f_max", "Programme: never above", "Programma: mai sopra", " LUFS", -36, -8, 0.5, -20},
    {"f_vel", "Programme: speed", "Programma: velocita'", " dB/s", 0.2, 6, 0.1, 1},
    {"g_pre", "Input gain", "Preamplificazione", " dB", -24, 40, 0.5, 0},
    {"a_target", "Target", "Bersaglio", " dB", -40, -6, 0.5, -18},
    {"a_up", "Rise", "Salita", " dB/s", 0.05, 6, 0.05, 1},
    {"a_win", "Window", "Finestra", " dB", 3, 24, 0.5, 18},
    {"a_gate", "Leveller: gate", "AGC: cancello", " dB", -70, -20, 1, -45},
    {"a_hold", "Hold", "Attesa", " ms", 0, 1000, 10, 200},
    {"a_ant", "Leveller: look-ahead", "AGC: anticipo", " ms", 0, 120, 5, 0},
    {"a_det", "Detector", "Rivelatore", " ms", 50, 1000, 10, 300},
    {"a_sub", "Sub lift", "Peso al grave", " dB", 0, 9, 0.1, 0},
    {"a_subhz", "Sub lift: where", "Peso al grave: dove", " Hz", 45, 110, 1, 68},
    {"a_boom", "Boom cut", "Taglio del rimbombo", " dB", -12, 0, 0.1, 0},
    {"a_boomhz", "Boom cut: where", "Rimbombo: dove", " Hz", 90, 220, 1, 117},
    {"a_boomq", "Boom cut: width", "Rimbombo: larghezza", "", 0.7, 4, 0.1, 2.1},
    {"a_salto", "Track change: from", "Cambio disco: da", " dB", 0, 20, 0.5, 10},
    {"a_saltoms", "Track change: for", "Cambio disco: per", " ms", 0, 3000, 50, 800},
    {"a_saltox", "Track change: how fast", "Cambio disco: quanto svelto", " x", 1, 20, 0.5, 8},
    {"a_pesato", "Ear-weighted detector", "Rivelatore pesato", "", 0, 1, 1, 1},
    {"a_slope", "Low cut: slope", "AGC: taglio sotto — pendenza", " x12dB", 1, 3, 1, 2},
    {"a_sologiu", "Down only", "Solo in discesa", "", 0, 1, 1, 0},
    {"a_cut", "Leveller: low cut", "AGC: taglio sotto", " Hz", 0, 150, 1, 60},
    {"a_freno", "Brake: window", "Freno: finestra", " dB", 2, 24, 0.5, 6},
    {"a_frenov", "Brake: speed", "Freno: velocita'", " dB/s", 0, 2000, 50, 800},
};

constexpr Riga BANDE[] = {
    {"m_inmin", "Input: never below", "Ingresso: mai sotto", " dB", -50, -6, 0.5, -30},
    {"m_inmax", "Input: never above", "Ingresso: mai sopra", " dB", -40, 0, 0.5, -12},
    {"m_indbs", "Input: speed", "Ingresso: velocita'", " dB/s", 0.5, 30, 0.5, 6},
    {"m_xo1", "Crossover 1", "Incrocio 1", " Hz", 40, 400, 1, 100},
    {"m_xo2", "Crossover 2", "Incrocio 2", " Hz", 150, 1200, 1, 400},
    {"m_xo3", "Crossover 3", "Incrocio 3", " Hz", 600, 4000, 1, 1500},
    {"m_xo4", "Crossover 4", "Incrocio 4", " Hz", 2000, 12000, 1, 5000},
    {"m_hpf", "Bands: low cut", "Bande: taglio sotto", " Hz", 20, 120, 1, 36},
    {"m_acc", "Bass coupling", "Accoppiamento del grave", " %", 0, 100, 1, 0},
    {"m_acc34", "Band 3&4 coupling", "Accoppiamento bande 3-4", " %", 0, 100, 1, 0},
    {"m_pend", "Crossover slope", "Pendenza degli incroci", " dB/oct", 24, 48, 24, 24},
    {"m_lib", "Band freedom", "Liberta' delle bande", " dB", 2, 24, 0.5, 24},
    {"m_sbav", "Band bleed", "Sbavatura fra bande", " %", 0, 100, 1, 0},
    {"m_lim", "Band wall", "Muro di banda", " dB", 4, 24, 0.5, 8},
    {"m_limgr", "Band wall: bass extra", "Muro: piu' sul grave", " dB", 0, 16, 0.5, 0},
    {"m_limrel", "Band wall: release", "Muro: rilascio", " ms", 15, 400, 5, 25},
    {"m_unione", "Band bonding", "Unione delle bande", " %", 0, 100, 1, 0},
    {"m_lock", "Hold at ceiling", "Tetto bloccato", "", 0, 1, 1, 1},
    {"m_str", "Bonding compressor", "La stretta", ":1", 1, 8, 0.1, 1},
    {"m_strms", "Bonding: window", "Stretta: finestra", " ms", 3, 120, 1, 25},
    {"m_stratt", "Bonding: attack", "Stretta: attacco", " ms", 1, 80, 1, 10},
    {"m_strril", "Bonding: release", "Stretta: rilascio", " ms", 30, 1200, 10, 200},
    {"m_strsog", "Bonding: above ceiling", "Stretta: sopra il tetto", " dB", 0, 12, 0.5, 6},
    {"m_strleg", "Bonding: to neighbours", "Stretta: verso le vicine", " %", 0, 100, 1, 23},
    {"m_strcom", "Bonding: shared", "Stretta: quota comune", " %", 0, 100, 1, 10},
    {"m_det", "Band detector", "Rivelatore bande", " ms", 50, 2000, 5, 500},
    {"m_sumax", "Bands: may lift up to", "Bande: puo' alzare fino a", " dB", 0, 24, 0.5, 12},
    {"m_giumax", "Bands: may pull down up to", "Bande: puo' abbassare fino a", " dB", 0, 30, 0.5,
     18},
    {"m_mix", "Bands: mix", "Bande: miscela", " %", 0, 100, 0.5, 100},
};

constexpr Riga CLIPPING[] = {
    {"x_rot", "Phase rotator", "Rotatore di fase", " x", 0, 4, 1, 0},
    {"x_arm", "Bass harmonics", "Armoniche del grave", " dB", 0, 20, 0.5, 0},
    {"x_armhz", "Bass harmonics: below", "Armoniche: sotto", " Hz", 40, 200, 5, 120},
    {"x_bcdb", "Bass clipper: drive", "Clipper del basso: spinta", " dB", 0, 24, 0.25, 0},
    {"x_bchz", "Bass clipper: where", "Clipper del basso: dove", " Hz", 60, 400, 5, 200},
    {"x_spazio", "Space", "Spaziosita'", " %", 0, 100, 1, 0},
    {"x_spaziohz", "Space: from", "Spaziosita': da", " Hz", 200, 6000, 50, 1500},
    {"x_radio", "Broadcast mode", "Modo radio", "", 0, 1, 1, 0},
    {"x_tosaon", "Clipping on", "Clipping acceso", "", 0, 1, 1, 1},
    {"x_limit", "Safety limiter", "Limitatore di sicurezza", "", 0, 1, 1, 1},
    {"x_top", "Top cut", "Muro in cima", " Hz", 10000, 20000, 50, 20000},
    {"x_pre", "Pre-emphasis", "Pre-enfasi", " us", 0, 100, 5, 0},
    {"x_hfdb", "HF limiter", "Limitatore acuti", " dB", -12, 0, 0.25, 0},
    {"x_hfhz", "HF limiter: where", "Limitatore acuti: dove", " Hz", 2000, 12000, 100, 6000},
    {"x_clip", "Clipper", "Clipper", " dB", 0, 15, 0.25, 0},
};

constexpr Riga FINALE[] = {
    {"x_in", "Input", "Ingresso", " dB", 0, 30, 0.01, 0},
    {"x_shape", "Shape", "Forma", " %", 0, 100, 0.5, 0},
    {"x_mix", "Output: mix", "Finale: miscela", " %", 0, 100, 0.5, 100},
    {"x_out", "Output", "Uscita", " dB", -12, 0, 0.01, -1},
    {"x_ant", "Output: look-ahead", "Finale: anticipo", " ms", 0.5, 20, 0.5, 10},
    {"x_rel", "Output: release", "Finale: rilascio", " ms", 20, 600, 5, 120},
    {"x_mahz", "Upper-mids: where", "Medio-alti: dove", " Hz", 1200, 7000, 50, 2400},
    {"x_mafix", "Upper-mids: always", "Medio-alti: sempre", " dB", -9, 0, 0.25, 0},
    {"x_madin", "Upper-mids: when loud", "Medio-alti: quando spingono", " dB", -9, 0, 0.25, 0},
    {"x_marel", "Upper-mids: release", "Medio-alti: rilascio", " ms", 100, 5000, 50, 1000},
    {"x_maq", "Upper-mids: width", "Medio-alti: larghezza", "", 0.4, 2.5, 0.05, 0.8},
    {"x_bshz", "Bass tail: where", "Coda del basso: dove", " Hz", 50, 180, 1, 90},
    {"x_bsfix", "Low bell: always", "Campana bassa: sempre", " dB", -12, 0, 0.25, 0},
    {"x_bsdin", "Bass tail: tighten", "Coda del basso: stringi", " dB", -9, 0, 0.25, 0},
    {"x_bsq", "Bass tail: width", "Coda del basso: larghezza", "", 0.5, 2.5, 0.05, 0.9},
};

// The same eight controls in each band; the key gets the band number.
constexpr Riga BANDA[] = {
    {"m_bon", "Band on", "Banda accesa", "", 0, 1, 1, 1},
    {"m_sog", "Band: gate", "Banda: cancello", " dB", -70, 0, 0.5, -55},
    {"m_sot", "Below gate: gain", "Sotto il cancello: guadagno", " dB", -30, 12, 0.5, 0},
    {"m_tet", "Ceiling", "Tetto", " dB", -80, 0, 0.5, -8},
    {"m_rap", "Ratio", "Rapporto", ":1", 1, 60, 0.1, 4},
    {"m_att", "Attack", "Attacco", " ms", 0.2, 120, 0.1, 15},
    {"m_ril", "Band: release", "Banda: rilascio", " ms", 20, 2000, 5, 200},
    {"m_gai", "Gain", "Guadagno", " dB", -12, 30, 0.1, 0},
};

Comando comando(const Riga& r, std::string id, std::string_view sezione) {
    const Aiuto t = testoAiuto(id);
    return Comando{std::move(id),
                   std::string(sezione),
                   std::string(r.nome),
                   std::string(r.nomeIt),
                   std::string(r.unita),
                   r.min,
                   r.max,
                   r.passo,
                   r.def,
                   std::string(t.aiuto),
                   std::string(t.aiutoIt)};
}

template <std::size_t N>
void aggiungi(std::vector<Comando>& v, const Riga (&righe)[N], std::string_view sezione) {
    for (const Riga& r : righe) v.push_back(comando(r, std::string(r.id), sezione));
}

const std::vector<Comando>& tabella() {
    static const std::vector<Comando> t = [] {
        std::vector<Comando> v;
        v.reserve(148);
        aggiungi(v, EQ, "EQ");
        aggiungi(v, AGC, "AGC");
        aggiungi(v, BANDE, "BANDE");
        aggiungi(v, CLIPPING, "CLIPPING");
        aggiungi(v, FINALE, "FINALE");
        for (int b = 1; b <= 5; ++b) {
            const std::string sezione = "BANDA " + std::to_string(b);
            for (const Riga& r : BANDA)
                v.push_back(comando(r, std::string(r.id) + std::to_string(b), sezione));
        }
        return v;
    }();
    return t;
}

bool contiene(std::string_view chiave) {
    return std::find(ESSENZIALI.begin(), ESSENZIALI.end(), chiave) != ESSENZIALI.end();
}

}  // namespace

const Comando* TabellaComandi::begin() const {
    return tabella().data();
}
const Comando* TabellaComandi::end() const {
    return tabella().data() + tabella().size();
}
std::size_t TabellaComandi::size() const {
    return tabella().size();
}
const Comando& TabellaComandi::operator[](std::size_t i) const {
    return tabella()[i];
}

const Comando* trova(std::string_view id) {
    for (const Comando& c : COMANDI)
        if (c.id == id) return &c;
    return nullptr;
}

const std::map<std::string, double, std::less<>>& TabellaPredefiniti::mappa() const {
    static const std::map<std::string, double, std::less<>> m = [] {
        std::map<std::string, double, std::less<>> r;
        for (const Comando& c : COMANDI) r.emplace(c.id, c.def);
        return r;
    }();
    return m;
}

double TabellaPredefiniti::operator()(std::string_view chiave) const {
    const auto& m = mappa();
    const auto it = m.find(chiave);
    return it == m.end() ? 0.0 : it->second;
}

bool essenziale(const Comando& c) {
    const std::string_view id = c.id;
    if (contiene(id)) return true;
    const auto cifra =
        std::find_if(id.begin(), id.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    return contiene(id.substr(0, static_cast<std::size_t>(cifra - id.begin())));
}

double arrotondaAlPasso(double x, double passo) {
    if (!(passo > 0)) return x;
    // Steps like 0.01 or 0.25 are divided back by their exact inverse, so the result is the
    // double nearest the decimal multiple (0.07, not 0.07000000000000001).
    const double inverso = 1.0 / passo;
    const double intero = std::round(inverso);
    if (intero >= 1 && std::abs(inverso - intero) < 1e-9 * intero)
        return std::round(x * intero) / intero;
    return passo * std::round(x / passo);
}

double muovi(const Comando& c, double grezzo) {
    if (std::isnan(grezzo)) return c.def;
    return arrotondaAlPasso(std::clamp(grezzo, c.min, c.max), c.passo);
}

double trascinaNumero(const Comando& c, double valoreIniziale, double spostamentoVerticale) {
    return valoreIniziale - (c.max - c.min) / 260.0 * spostamentoVerticale;
}

std::string mostraValore(double valore, std::string_view unita) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, valore, std::chars_format::fixed, 2);
    std::string s = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("?");
    if (s == "-0.00") s = "0.00";
    return s + std::string(unita);
}

Elenco elencaSezione(std::string_view sezione, bool tutto, bool mostraSpenti, const Valori& v) {
    Elenco e;
    for (const Comando& c : COMANDI) {
        if (c.sezione != sezione) continue;
        if (!tutto && !essenziale(c)) continue;
        if (c.id.starts_with("m_xo")) continue;
        if (!mostraSpenti && scavalcato(c.id, v)) {
            ++e.nascosti;
            continue;
        }
        e.comandi.push_back(&c);
    }
    return e;
}

std::string fumetto(const Comando& c, bool italiano, const Valori& v) {
    const std::string& base = c.aiutoIn(italiano);
    if (const auto motivo = scavalcato(c.id, v))
        return "⚠ NON AGISCE — " + std::string(*motivo) + "\n\n" + base;
    if (const auto nota = notaCheConta(c.id))
        return "● QUESTO CONTA — " + std::string(*nota) + "\n\n" + base;
    return base;
}

std::string suggerimento(const Comando& c, bool italiano) {
    return c.nomeIn(italiano) + " — " + c.aiutoIn(italiano);
}

bool suggerimentoDi(std::string_view testo, std::string_view nome) {
    return testo.starts_with(nome) && testo.substr(nome.size()).starts_with(" — ");
}

}  // namespace velmora

std::size_t std::hash<velmora::Comando>::operator()(const velmora::Comando& c) const noexcept {
    std::size_t h = 0;
    const auto mescola = [&h](std::size_t x) {
        h ^= x + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    };
    for (const std::string* s :
         {&c.id, &c.sezione, &c.nome, &c.nomeIt, &c.unita, &c.aiuto, &c.aiutoIt})
        mescola(std::hash<std::string>{}(*s));
    for (double d : {c.min, c.max, c.passo, c.def}) mescola(std::hash<double>{}(d));
    return h;
}
