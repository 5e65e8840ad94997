#include "max.h"

#include <cmath>

namespace omax {

Params leggi(const velmora::Archivio& a) {
    Params p;
    const bool radio = a.acceso("x_radio", false);
    p.tosaon = radio ? a.acceso("x_tosaon", true) : false;
    p.ant = radio ? a.valore("x_ant", 10) : 0;
    p.limit = radio ? a.acceso("x_limit", true) : false;
    p.in = a.valore("x_in", 0);
    p.shape = a.valore("x_shape", 0) * 0.01;
    p.out = a.valore("x_out", -1);
    p.mix = a.valore("x_mix", 100) * 0.01;
    p.rel = a.valore("x_rel", 120);
    p.mahz = a.valore("x_mahz", 2400);
    p.mafix = a.valore("x_mafix", 0);
    p.madin = a.valore("x_madin", 0);
    p.marel = a.valore("x_marel", 1000);
    p.maq = a.valore("x_maq", 0.8);
    p.bshz = a.valore("x_bshz", 90);
    p.bsfix = a.valore("x_bsfix", 0);
    p.bsdin = a.valore("x_bsdin", 0);
    p.bsrel = a.valore("x_bsrel", 120);
    p.bsq = a.valore("x_bsq", 0.9);
    p.rot = static_cast<std::int32_t>(std::round(a.valore("x_rot", 0)));
    p.bchz = a.valore("x_bchz", 200);
    p.bcdb = a.valore("x_bcdb", 0);
    p.arm = a.valore("x_arm", 0);
    p.armhz = a.valore("x_armhz", 120);
    p.spazio = a.valore("x_spazio", 0) * 0.01;
    p.spaziohz = a.valore("x_spaziohz", 1500);
    p.top = a.valore("x_top", 0);
    p.pre = a.valore("x_pre", 0);
    p.hfhz = a.valore("x_hfhz", 6000);
    p.hfdb = a.valore("x_hfdb", 0);
    p.clip = a.valore("x_clip", 0);
    return p;
}

Progetto progetta(const Params& p, double sr) { return Progetto{p, sr}; }

void Max::adotta(Progetto&) {}
void Max::azzera() {}
// Not built yet: passes audio through untouched.
void Max::process(float*, float*, int) {}

}  // namespace omax
