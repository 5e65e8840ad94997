#include "eq.h"

#include <algorithm>
#include <cmath>

namespace oeq {

namespace r = velmora::ricettario;

Impostazioni leggi(const velmora::Archivio& a) {
    Impostazioni s;
    s.hp = a.valore("e_hp", 0);
    s.hpq = a.valore("e_hpq", 0.707);
    s.hpsez = static_cast<std::int32_t>(std::clamp(a.valore("e_hpsez", 1), -1e9, 1e9));
    s.lshz = a.valore("e_lshz", 68);
    s.lsdb = a.valore("e_lsdb", 0);
    s.b1hz = a.valore("e_b1hz", 117);
    s.b1db = a.valore("e_b1db", 0);
    s.b1q = a.valore("e_b1q", 2.1);
    s.b2hz = a.valore("e_b2hz", 250);
    s.b2db = a.valore("e_b2db", 0);
    s.b2q = a.valore("e_b2q", 1);
    s.b3hz = a.valore("e_b3hz", 2500);
    s.b3db = a.valore("e_b3db", 0);
    s.b3q = a.valore("e_b3q", 1);
    s.hshz = a.valore("e_hshz", 10000);
    s.hsdb = a.valore("e_hsdb", 0);
    s.lp = a.valore("e_lp", 0);
    s.lpq = a.valore("e_lpq", 0.707);
    return s;
}

Progetto progetta(const Impostazioni& s, double sr) {
    Progetto p;
    p.imp = s;
    p.sr = sr;
    const double tetto = 0.45 * sr;
    auto lim = [tetto](double f) { return std::min(f, tetto); };

    p.hp = r::passaAlto(lim(std::max(s.hp, 20.0)), sr, std::max(s.hpq, 0.05));
    p.lp = r::passaBasso(lim(s.lp > 1000 ? s.lp : 20000), sr, std::max(s.lpq, 0.05));
    p.ls = r::scaffaleBasso(lim(s.lshz), sr, s.lsdb);
    const double hz[3] = {s.b1hz, s.b2hz, s.b3hz}, db[3] = {s.b1db, s.b2db, s.b3db},
                 q[3] = {s.b1q, s.b2q, s.b3q};
    for (int i = 0; i < 3; ++i) {
        p.bell[i] = r::campana(lim(hz[i]), sr, db[i], std::max(q[i], 0.1));
        p.bellOn[i] = std::fabs(db[i]) > 0.01;
    }
    p.hs = r::scaffaleAlto(lim(s.hshz), sr, s.hsdb);

    p.hpOn = s.hp > 20;
    p.lsOn = std::fabs(s.lsdb) > 0.01;
    p.hsOn = std::fabs(s.hsdb) > 0.01;
    // Two sections of room per channel: larger counts run two.
    p.hpSezioni = std::clamp<int>(s.hpsez, 0, 2);
    p.attivo = p.hpOn || (s.lp > 1000 && s.lp < 19999) || p.lsOn || p.bellOn[0] || p.bellOn[1] ||
               p.bellOn[2] || p.hsOn;
    // The low-pass runs whenever the stage is active and its frequency is below 0.45 sr.
    p.lpOn = s.lp > 1000 && s.lp < tetto;
    return p;
}

void Eq::adotta(const Progetto& p) {
    p_ = p;
    for (int k = 0; k < 2; ++k) {
        hp_[k].c = p.hp;
        lp_[k].c = p.lp;
    }
    ls_.c = p.ls;
    hs_.c = p.hs;
    for (int b = 0; b < 3; ++b) bell_[b].c = p.bell[b];
}

void Eq::azzera() {
    for (int k = 0; k < 2; ++k) {
        hp_[k].azzera();
        lp_[k].azzera();
    }
    ls_.azzera();
    hs_.azzera();
    for (auto& b : bell_) b.azzera();
}

void Eq::process(float* l, float* r, int n) {
    if (n < 1 || !p_.attivo) return;
    const bool hpOn = p_.hpOn, lsOn = p_.lsOn, hsOn = p_.hsOn, lpOn = p_.lpOn;
    const int hpn = p_.hpSezioni;
    // The block goes through in pieces; the sections run over a whole piece, up to three at a time
    // (velmora::passaCatena): same samples in the same order per section, same result.
    velmora::BiquadCoppia* attive[9];
    int m = 0;
    if (hpOn)
        for (int k = 0; k < hpn; ++k) attive[m++] = &hp_[k];
    if (lsOn) attive[m++] = &ls_;
    for (int b = 0; b < 3; ++b)
        if (p_.bellOn[b]) attive[m++] = &bell_[b];
    if (hsOn) attive[m++] = &hs_;
    if (lpOn) attive[m++] = &lp_[0], attive[m++] = &lp_[1];
    constexpr int PEZZO = 64;
    velmora::Coppia buf[PEZZO];
    for (int base = 0; base < n; base += PEZZO) {
        const int pezzo = std::min(PEZZO, n - base);
        float* const lb = l + base;
        float* const rb = r + base;
        for (int i = 0; i < pezzo; ++i) buf[i] = velmora::Coppia{lb[i], rb[i]};
        velmora::passaCatena(attive, m, buf, pezzo);
        for (int i = 0; i < pezzo; ++i) {
            lb[i] = static_cast<float>(buf[i][0]);
            rb[i] = static_cast<float>(buf[i][1]);
        }
    }
    // Histories this small are inaudible; left alone they decay through subnormal values in
    // silence, which makes every filter step many times slower.
    for (auto& s : hp_) s.spegni(1e-30);
    for (auto& s : lp_) s.spegni(1e-30);
    for (auto& s : bell_) s.spegni(1e-30);
    ls_.spegni(1e-30);
    hs_.spegni(1e-30);
}

}  // namespace oeq
