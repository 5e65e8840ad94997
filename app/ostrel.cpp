#include "ostrel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "catalogo.h"

namespace velmora {

namespace {

// Squeeze: the engine adds it on top of the tuned band values, which stay as they are.
void scriviSchiaccia(double x, Valori& v) {
    v.sincronizza("o_schiaccia", x);
}
double leggiSchiaccia(const Valori& v) {
    return v.ha("o_schiaccia") ? v.valore("o_schiaccia") : 0;
}

// More drive lowers the leveller's target, so it works harder.
void scriviAgcDrive(double x, Valori& v) {
    v.sincronizza("a_target", -6 - x);
}
double leggiAgcDrive(const Valori& v) {
    return -6 - v.valore("a_target");
}

// Written as it is, also beyond the catalogue range of the rise.
void scriviAgcRel(double x, Valori& v) {
    v.sincronizza("a_up", x);
}
double leggiAgcRel(const Valori& v) {
    return v.valore("a_up");
}

// Moves the five ceilings together by the change of the knob, keeping their shape.
constexpr double MB_DRIVE_INIZIALE = 14;
double leggiMbDrive(const Valori& v) {
    return v.ha("o_mbdrive") ? v.valore("o_mbdrive") : MB_DRIVE_INIZIALE;
}
void scriviMbDrive(double x, Valori& v) {
    const double delta = x - leggiMbDrive(v);
    for (int b = 1; b <= 5; ++b) {
        const std::string chiave = "m_tet" + std::to_string(b);
        v.sincronizza(chiave, std::clamp(v.valore(chiave) - delta, -60.0, 0.0));
    }
    v.sincronizza("o_mbdrive", x);
    v.sincronizza("m_lock", 1);
}

// A release speed in dB/s becomes band release times, the bass slowest and band 3 fastest.
constexpr std::array<double, 5> RILASCIO_BANDA{1.6, 1.1, 0.8, 0.9, 1.2};
void scriviMbRel(double x, Valori& v) {
    const double t = 3000 / std::max(x, 0.5);
    for (int b = 1; b <= 5; ++b)
        v.sincronizza("m_ril" + std::to_string(b),
                      std::min(t * RILASCIO_BANDA[static_cast<std::size_t>(b - 1)], 2000.0));
    v.sincronizza("m_indbs", std::min(x, 30.0));
}
double leggiMbRel(const Valori& v) {
    return 3000 / std::max(v.valore("m_ril1") / 1.6, 1.0);
}

// Bonding: the bonding compressor with its pull towards the neighbours and the shared part.
void scriviUnita(double x, Valori& v) {
    v.sincronizza("m_str", x < 0.25 ? 1.0 : 1 + 0.25 * x);
    v.sincronizza("m_strleg", 3 * x);
    v.sincronizza("m_strcom", 1.3 * x);
}
double leggiUnita(const Valori& v) {
    return std::max((v.valore("m_str") - 1) * 4, 0.0);
}

constexpr std::array<std::string_view, 2> VOCI_AGC{"o_agcdrive", "o_agcrel"};
constexpr std::array<std::string_view, 4> VOCI_MB{"o_schiaccia", "o_mbdrive", "o_mbrel", "o_unita"};

}  // namespace

const std::array<ComandoOstrel, 6> PANNELLO_OSTREL{{
    {"o_schiaccia", "SCHIACCIA", "", 0, 10, 0.5, 0,
     "0 = la taratura com'e'; ogni tacca schiaccia di piu'", 0, 10,
     "Piu' su = piu' schiacciato, a volume quasi uguale. Non tocca la taratura: si somma sopra. "
     "Per ogni tacca: guadagno delle cinque bande +1.5 dB, muro di banda -1 dB, la stretta +0.2, "
     "l'unione delle bande +3%. A 0 la taratura suona esattamente com'e'.",
     scriviSchiaccia, leggiSchiaccia, "BANDE"},
    {"o_agcdrive", "AGC drive", " dB", 0, 20, 0.5, 12, "riduzione fra 10 e 15 dB", 10, 15,
     "Quanto lavora il livellatore in testa. Il tecnico dice di guardare la spia AGC e stare fra "
     "10 e 15 dB di riduzione.",
     scriviAgcDrive, leggiAgcDrive, "AGC"},
    {"o_agcrel", "AGC release", " dB/s", 0.5, 20, 0.5, 5, "0.5-20; per i giovani 7", 3, 9,
     "Quanto in fretta l'AGC risale. Lento = aperto e caldo, poca fatica. Rapido = denso e "
     "freddo, stanca. Deve stare in coppia col rilascio del multibanda: uno rapido e l'altro "
     "lento «non ha senso», dice il tecnico.",
     scriviAgcRel, leggiAgcRel, "AGC"},
    {"o_mbdrive", "Multiband drive", "", 0, 20, 0.5, 14, "14-15, e la banda 3 fra -10 e -15", 14,
     15.5,
     "Quanto processa il banco. Muove i cinque tetti insieme, mantenendo la forma misurata sulla "
     "macchina vera. Si guarda la BANDA 3: mai oltre -10, perche' i suoni molto densi creano "
     "fatica.",
     scriviMbDrive, leggiMbDrive, "BANDE"},
    {"o_mbrel", "Multiband release", " dB/s", 0.5, 20, 0.5, 5,
     "medio-rapido per i giovani; oltre 9 rovina la dinamica", 4, 9,
     "Il rilascio delle bande, tutte e cinque insieme, con il grave piu' lento dell'acuto come "
     "sulla macchina. Sopra 9 dB/s la gamma dinamica si rovina.",
     scriviMbRel, leggiMbRel, "BANDE"},
    {"o_unita", "Bonding", "", 0, 10, 0.5, 7, "5-8. A 0 e' spenta e torni a cinque suoni", 5, 8,
     "La stretta: il compressore di mezzo, con le cinque bande legate fra loro. Sotto lavorano il "
     "livellatore da mezzo secondo (il livello) e il muro (i picchi); in mezzo, dove la musica si "
     "muove davvero, finora non c'era niente e ogni banda andava per conto suo. Alzandola i suoni "
     "smettono di essere separabili e il grave resta attaccato a tutto il resto. Oltre 8 "
     "comincia a schiacciare.",
     scriviUnita, leggiUnita, "BANDE"},
}};

const std::array<GruppoOstrel, 2> GRUPPI_OSTREL{{
    {"agc", "LIVELLATORE", "LEVELLER", ColoreTema::Verde, VOCI_AGC},
    {"mb", "BANCO", "MULTIBAND", ColoreTema::Blu, VOCI_MB},
}};

const ComandoOstrel* trovaOstrel(std::string_view id) {
    for (const ComandoOstrel& k : PANNELLO_OSTREL)
        if (k.id == id) return &k;
    return nullptr;
}

double posizioneOstrel(const ComandoOstrel& k, const Valori& v) {
    const double x = k.legge(v);
    return std::isnan(x) ? k.def : std::clamp(x, k.min, k.max);
}

std::optional<double> trascinaOstrel(const ComandoOstrel& k, double attuale, double y,
                                     double altezza) {
    y -= 7;
    const double f = altezza - 14 >= 1 ? y / (altezza - 14) : y;
    const double t = std::clamp(1 - f, 0.0, 1.0);
    double nuovo = k.min + t * (k.max - k.min);
    if (k.passo > 0) nuovo = arrotondaAlPasso(nuovo, k.passo);
    nuovo = std::clamp(nuovo, k.min, k.max);
    if (!(std::abs(nuovo - attuale) > 1e-9)) return std::nullopt;
    return nuovo;
}

bool nelVerde(const ComandoOstrel& k, double posizione) {
    return k.da - 1e-9 <= posizione && posizione <= k.a + 1e-9;
}

std::string etichettaSpento(const ComandoOstrel& k, bool italiano) {
    return std::string(k.stadio) + (italiano ? " e' spento" : " is off");
}

std::string aiutoSpento(const ComandoOstrel& k) {
    const std::string s(k.stadio);
    return "Questa manopola scrive dentro " + s +
           ", che adesso e' SPENTO: muoverla non cambia niente. Accendi " + s +
           " nella catena qui sotto.";
}

}  // namespace velmora
