#include "agc.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace agc {

namespace r = velmora::ricettario;

namespace {

// Pole Qs of Butterworth high-passes of order 2, 4 and 6, per section, indexed by count - 1.
constexpr double Q1[3] = {0.70710678, 0.5411961, 0.51763809};
constexpr double Q2[3] = {0, 1.30656296, 0.70710678};
constexpr double Q3[3] = {0, 0, 1.93185165};

// Limits a value to [lo, hi]; a value that is not a number gives lo.
double limita(double v, double lo, double hi) {
    return v >= lo ? (v <= hi ? v : hi) : lo;
}

// Truncation toward zero, kept inside the int32 range; not a number gives the fallback.
std::int32_t intero(double v, std::int32_t seNonNumero) {
    if (std::isnan(v)) return seNonNumero;
    return static_cast<std::int32_t>(std::clamp(v, -1e9, 1e9));
}

// Below this size a running value is indistinguishable from silence; clearing it keeps decays from
// ending in subnormal numbers, which are slow on most processors.
constexpr double MINIMO = 1e-30;

inline void pulisci(Biquad& b) {
    if (std::fabs(b.y1) < MINIMO && std::fabs(b.y2) < MINIMO && std::fabs(b.x1) < MINIMO &&
        std::fabs(b.x2) < MINIMO)
        b.azzera();
}

// The same test on each channel of a paired section.
inline void pulisci(BiquadCoppia& b) {
    for (int k = 0; k < 2; ++k)
        if (std::fabs(b.y1[k]) < MINIMO && std::fabs(b.y2[k]) < MINIMO &&
            std::fabs(b.x1[k]) < MINIMO && std::fabs(b.x2[k]) < MINIMO)
            b.x1[k] = b.x2[k] = b.y1[k] = b.y2[k] = 0;
}

inline double daDb(double db) {
    return std::pow(10.0, db / 20);
}

}  // namespace

Params leggi(const velmora::Archivio& a) {
    Params p;
    p.target = a.valore("a_target", -18);
    p.up = a.valore("a_up", 1);
    p.down = a.valore("a_down", 12);
    p.gate = a.valore("a_gate", -45);
    p.ant = a.valore("a_ant", 0);
    p.winSu = p.winGiu = a.valore("a_win", 18);
    p.hold = a.valore("a_hold", 200);
    p.det = a.valore("a_det", 300);
    p.cut = a.valore("a_cut", 60);
    p.slope = intero(a.valore("a_slope", 2), 2);
    p.pesato = a.acceso("a_pesato", true);
    p.salto = a.valore("a_salto", 10);
    p.saltoms = a.valore("a_saltoms", 800);
    p.saltox = a.valore("a_saltox", 8);
    p.freno = a.valore("a_freno", 6);
    p.frenov = a.valore("a_frenov", 800);
    p.frenoms = a.valore("a_frenoms", 3);
    p.sologiu = a.acceso("a_sologiu", false);
    p.subhz = a.valore("a_subhz", 68);
    p.sub = a.valore("a_sub", 0);
    p.boomhz = a.valore("a_boomhz", 117);
    p.boom = a.valore("a_boom", 0);
    p.boomq = a.valore("a_boomq", 2.1);
    return p;
}

void PassaAlto::set(double sr, double cut, int sezioni) {
    n = std::clamp(sezioni, 0, 3);
    if (!(cut > 0)) n = 0;
    // Above 0.45 of the rate the design would fold over and turn unstable.
    const double f = std::min(cut, 0.45 * sr);
    const double* tavole[3] = {Q1, Q2, Q3};
    for (int k = 0; k < 3; ++k)
        s[k].c = k < n ? r::passaAlto(f, sr, tavole[k][n - 1]) : Coefficienti{};
}

Progetto progetta(const Params& s, double sr) {
    Progetto p;
    Disegno& d = p.disegno;
    d.params = s;
    d.sr = sr;
    d.coefDet = velmora::polo(sr, std::max(s.det, 1.0));

    // Bounded so that a nonsense value cannot ask for more than ten seconds of delay.
    const double ant = limita(s.ant, 0, 10000);
    d.ritardoLen = static_cast<std::int32_t>(sr * ant * 0.001);
    const auto voci = static_cast<std::size_t>(std::max(d.ritardoLen, 1));
    p.ritardoL.assign(voci, 0.0);
    p.ritardoR.assign(voci, 0.0);

    d.passaAlto.set(sr, s.cut, s.slope);

    d.passoSu = std::max(s.up, 0.0) / sr;
    d.passoGiu = std::max(s.down, 0.0) / sr;
    d.rapportoSu = std::pow(10.0, 0.05 * d.passoSu);
    d.rapportoGiu = std::pow(10.0, -0.05 * d.passoGiu);
    d.pausaCampioni = static_cast<std::int64_t>(sr * limita(s.hold, 0, 1e9) * 0.001);
    d.passoFreno = std::max(s.frenov, 0.0) / sr;
    d.rapportoFreno = std::pow(10.0, -0.05 * d.passoFreno);
    d.coefAttFreno = velmora::polo(sr, std::max(s.frenoms, 0.2));
    d.coefRilFreno = velmora::polo(sr, 150);
    d.frenoAcceso = s.frenov > 0.01;

    // Fast mode: the factors for the multiplied steps are fixed by the settings, so they are
    // computed here rather than in every fast sample.
    d.saltoAcceso = s.saltox > 1;
    if (d.saltoAcceso) {
        d.rapportoSuVeloce = std::pow(10.0, 0.05 * d.passoSu * s.saltox);
        d.rapportoGiuVeloce = std::pow(10.0, -0.05 * d.passoGiu * s.saltox);
    }
    // At least one sample beyond the distance: with 0 the fast mode would never end.
    d.sogliaSalto = static_cast<std::int32_t>(limita(s.saltoms * 0.001 * sr, 1, 2e9));

    // Ear weighting of the detector.
    d.pesoShelf = r::scaffaleAlto(std::min(1681.0, 0.45 * sr), sr, 4, 0.70710678);
    d.pesoPassaAlto = r::passaAlto(std::min(40.0, 0.45 * sr), sr, 0.70710678);

    // Sub lift and boom cut; frequencies kept above 0 Hz, where the sections would stop being
    // stable, and the boom width kept positive.
    d.sub = r::scaffaleBasso(limita(s.subhz, 1, 0.45 * sr), sr, s.sub, 0.9);
    d.boom = r::campana(limita(s.boomhz, 1, 0.45 * sr), sr, s.boom, std::max(s.boomq, 0.1));
    d.subAcceso = s.sub > 0.01;
    d.boomAcceso = s.boom < -0.01;
    return p;
}

void Agc::adotta(Progetto& p) {
    const Disegno& nd = p.disegno;
    // A section that was not running has no meaningful history: it starts from silence.
    for (int k = 0; k < 3; ++k) {
        passaAlto_[k].c = nd.passaAlto.s[k].c;
        if (k >= nPassaAlto_ && k < nd.passaAlto.n) passaAlto_[k].azzera();
    }
    nPassaAlto_ = nd.passaAlto.n;
    if (nd.subAcceso && !d_.subAcceso) sub_.azzera();
    if (nd.boomAcceso && !d_.boomAcceso) boom_.azzera();
    if (nd.params.pesato && !d_.params.pesato) pesoShelf_.azzera(), pesoPassaAlto_.azzera();
    sub_.c = nd.sub;
    boom_.c = nd.boom;
    pesoShelf_.c = nd.pesoShelf;
    pesoPassaAlto_.c = nd.pesoPassaAlto;
    d_ = nd;

    // New look-ahead lines only when the delay changes; they arrive zeroed, so the delayed audio
    // restarts from silence. The replaced lines go back inside the design.
    const auto voci = static_cast<std::size_t>(std::max(nd.ritardoLen, 1));
    if (nd.ritardoLen != ritardoLen_ && p.ritardoL.size() == voci && p.ritardoR.size() == voci) {
        ritardoL_.swap(p.ritardoL);
        ritardoR_.swap(p.ritardoR);
        ritardoLen_ = nd.ritardoLen;
        ritardoPos_ = 0;
    }
}

void Agc::azzera() {
    potenza_ = 1e-20;
    guadagno_ = 0;
    guadagnoLin_ = 1;
    voluto_ = 0;
    inviluppo_ = 1e-10;
    limiteFreno_ = 99;
    pausa_ = 0;
    conta_ = contaSalto_ = 0;
    std::fill(ritardoL_.begin(), ritardoL_.end(), 0.0);
    std::fill(ritardoR_.begin(), ritardoR_.end(), 0.0);
    ritardoPos_ = 0;
    for (BiquadCoppia* b : {&passaAlto_[0], &passaAlto_[1], &passaAlto_[2], &sub_, &boom_})
        b->azzera();
    pesoShelf_.azzera();
    pesoPassaAlto_.azzera();
}

double Agc::livelloDb() const {
    return 10 * std::log10(std::max(potenza_, 1e-20));
}

void Agc::pulisci() {
    if (potenza_ < MINIMO) potenza_ = 0;
    if (inviluppo_ < MINIMO) inviluppo_ = 0;
    for (BiquadCoppia* b : {&passaAlto_[0], &passaAlto_[1], &passaAlto_[2], &sub_, &boom_})
        agc::pulisci(*b);
    agc::pulisci(pesoShelf_);
    agc::pulisci(pesoPassaAlto_);
}

// Once every 32 samples: the wanted gain from the detector, and the brake's ceiling.
void Agc::decidi() {
    const Params& s = d_.params;
    const double livello = 10 * std::log10(std::max(potenza_, 1e-20));
    double w = guadagno_;  // gate closed or held: the gain stays where it is
    if (livello > s.gate && !fermo) {
        w = std::min(std::max(s.target - livello, -s.winGiu), s.winSu);
        if (s.sologiu && w > 0) w = 0;
    }
    voluto_ = w;
    // The brake acts whatever the gate and the hold flag say.
    limiteFreno_ =
        d_.frenoAcceso
            ? std::max(s.target + s.freno - 20 * std::log10(std::max(inviluppo_, 1e-10)), -s.winGiu)
            : 99;
    pulisci();
}

void Agc::process(float* l, float* r, int n) {
    if (n < 1) return;
    const Disegno& d = d_;
    const bool pesato = d.params.pesato, subOn = d.subAcceso, boomOn = d.boomAcceso;
    const bool saltoOn = d.saltoAcceso;
    const double salto = d.params.salto, saltox = d.params.saltox;
    const std::int32_t lunghezza = ritardoLen_;
    double* const linea[2] = {ritardoL_.data(), ritardoR_.data()};

    // The input filters run over a piece of the block, both channels together, each section over
    // the whole piece. A piece ends with the sample of the next decision, which may clear the
    // filters' histories: the filters see the same samples and clearings, in the same order, as
    // sample by sample.
    velmora::Coppia buf[32];
    BiquadCoppia* filtri[5];
    int quanti = 0;
    for (std::int32_t k = 0; k < nPassaAlto_; ++k) filtri[quanti++] = &passaAlto_[k];
    if (subOn) filtri[quanti++] = &sub_;
    if (boomOn) filtri[quanti++] = &boom_;
    for (int base = 0; base < n;) {
        const int pezzo = std::min({conta_ < 2 ? 1 : conta_, n - base, 32});
        for (int i = 0; i < pezzo; ++i) buf[i] = velmora::Coppia{l[base + i], r[base + i]};
        velmora::passaCatena(filtri, quanti, buf, pezzo);
        for (int j = 0; j < pezzo; ++j) {
            const int i = base + j;
            double xl = buf[j][0], xr = buf[j][1];

            // Detector and brake envelope read the undelayed audio.
            double m = (xl + xr) * 0.5;
            if (pesato) m = pesoPassaAlto_.elabora(pesoShelf_.elabora(m));
            potenza_ += d.coefDet * (m * m - potenza_);
            const double e = std::fabs(m);
            inviluppo_ += (e > inviluppo_ ? d.coefAttFreno : d.coefRilFreno) * (e - inviluppo_);

            if (conta_ < 2) {
                conta_ = 32;
                decidi();
            } else {
                --conta_;
            }

            // Track change: a distance that lasts speeds both directions up until the gain is
            // close.
            double passoSu = d.passoSu, passoGiu = d.passoGiu;
            double rapportoSu = d.rapportoSu, rapportoGiu = d.rapportoGiu;
            if (!saltoOn) {
                contaSalto_ = 0;
            } else {
                const double distanza = std::fabs(voluto_ - guadagno_);
                if (distanza > salto) {
                    if (contaSalto_ < d.sogliaSalto) ++contaSalto_;
                } else if (distanza < 1.5) {
                    contaSalto_ = 0;
                }
                if (contaSalto_ >= d.sogliaSalto) {
                    passoSu *= saltox;
                    passoGiu *= saltox;
                    rapportoSu = d.rapportoSuVeloce;
                    rapportoGiu = d.rapportoGiuVeloce;
                }
            }

            double mira = voluto_;
            if (limiteFreno_ < guadagno_ - 1e-9) {
                mira = std::min(limiteFreno_, voluto_);
                passoGiu = d.passoFreno;
                rapportoGiu = d.rapportoFreno;
            }

            if (mira < guadagno_ - 1e-9) {
                guadagno_ -= passoGiu;
                guadagnoLin_ *= rapportoGiu;
                if (guadagno_ <= mira) {
                    guadagno_ = mira;
                    guadagnoLin_ = daDb(mira);
                }
                pausa_ = d.pausaCampioni;
            } else if (voluto_ > guadagno_ + 1e-9) {
                if (pausa_ >= 1) {
                    --pausa_;
                } else {
                    guadagno_ += passoSu;
                    guadagnoLin_ *= rapportoSu;
                    if (guadagno_ >= voluto_) {
                        guadagno_ = voluto_;
                        guadagnoLin_ = daDb(voluto_);
                    }
                }
            }

            if (lunghezza >= 1) {
                ritardoPos_ = ritardoPos_ + 1 >= lunghezza ? 0 : ritardoPos_ + 1;
                const auto p = static_cast<std::size_t>(ritardoPos_);
                const double uscitaL = linea[0][p], uscitaR = linea[1][p];
                linea[0][p] = xl;
                linea[1][p] = xr;
                xl = uscitaL;
                xr = uscitaR;
            }
            l[i] = static_cast<float>(xl * guadagnoLin_);
            r[i] = static_cast<float>(xr * guadagnoLin_);
        }
        base += pezzo;
    }
}

}  // namespace agc
