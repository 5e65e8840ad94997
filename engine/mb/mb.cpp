#include "mb.h"

namespace omb {

Params leggi(const velmora::Archivio& a) {
    Params p;
    for (int b = 0; b < 5; ++b) {
        auto& k = p.bande[static_cast<std::size_t>(b)];
        const int n = b + 1;
        k.bon = a.banda("m_bon", n, 1) > 0.5;
        k.sog = a.banda("m_sog", n, -40);
        k.tet = a.banda("m_tet", n, -6);
        k.rap = a.banda("m_rap", n, 4);
        k.att = a.banda("m_att", n, 20);
        k.ril = a.banda("m_ril", n, 150);
        k.gai = a.banda("m_gai", n, 0);
        k.sot = a.banda("m_sot", n, 0);
    }
    const double xo[4] = {100, 400, 1500, 5000};
    for (int k = 0; k < 4; ++k) p.xo[static_cast<std::size_t>(k)] = a.banda("m_xo", k + 1, xo[k]);
    p.inmin = a.valore("m_inmin", -30);
    p.inmax = a.valore("m_inmax", -12);
    p.indbs = a.valore("m_indbs", 6);
    p.hpf = a.valore("m_hpf", 36);
    p.lock = a.acceso("m_lock", false);
    p.lib = a.valore("m_lib", 24);
    p.sbav = a.valore("m_sbav", 0) / 100;
    p.lim = a.valore("m_lim", 8);
    p.limgr = a.valore("m_limgr", 0);
    p.limrel = a.valore("m_limrel", 25);
    p.unione = a.valore("m_unione", 0) / 100;
    p.acc = a.valore("m_acc", 0) / 100;
    p.acc34 = a.valore("m_acc34", 0) / 100;
    p.pend = a.valore("m_pend", 24) >= 36 ? 4 : 2;
    p.sumax = a.valore("m_sumax", 12);
    p.giumax = a.valore("m_giumax", 18);
    p.det = a.valore("m_det", 500);
    p.str = a.valore("m_str", 1);
    p.strms = a.valore("m_strms", 25);
    p.stratt = a.valore("m_stratt", 10);
    p.strril = a.valore("m_strril", 200);
    p.strsog = a.valore("m_strsog", 0);
    p.strleg = a.valore("m_strleg", 23) / 100;
    p.strcom = a.valore("m_strcom", 10) / 100;
    p.mix = a.valore("m_mix", 100) / 100;
    p.out = a.valore("m_out", 0);
    return p;
}

Progetto progetta(const Params& p, double sr) { return Progetto{p, sr}; }

void Mb::adotta(Progetto& p) { p_.params = p.params, p_.sr = p.sr; }
void Mb::azzera() {}
// Not built yet: passes audio through untouched.
void Mb::process(float*, float*, int) {}
double Mb::guadagnoDb(int) const { return 0.0; }
double Mb::potenza(int) const { return 1e-20; }

}  // namespace omb
