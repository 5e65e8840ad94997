// The band splitter and the five band compressors.
#pragma once

#include <array>
#include <cstdint>

#include "../archivio.h"
#include "../biquad.h"

namespace omb {

struct Banda {
    bool bon = true;
    double sog = -40, tet = -6, rap = 4, att = 20, ril = 150, gai = 0, sot = 0;
};

// The stage's settings record, filled from the m_ keys. Per-cent keys are fractions here.
struct Params {
    std::array<Banda, 5> bande{};
    std::array<double, 4> xo{100, 400, 1500, 5000};
    double inmin = -30, inmax = -12, indbs = 6, hpf = 36;
    bool lock = false;
    double lib = 24, sbav = 0, lim = 8, limgr = 0, limrel = 25;
    double unione = 0, acc = 0, acc34 = 0;
    std::int32_t pend = 2;
    double sumax = 12, giumax = 18, det = 500;
    double str = 1, strms = 25, stratt = 10, strril = 200, strsog = 0, strleg = 0.23, strcom = 0.1;
    double mix = 1, out = 0;
};

Params leggi(const velmora::Archivio& a);

struct Progetto {
    Params params;
    double sr = 48000;
};

Progetto progetta(const Params& p, double sr);

class Mb {
public:
    bool fermo = false;  // hold flag, written by the frame before every block

    void adotta(Progetto& p);
    void azzera();
    void process(float* l, float* r, int n);

    // Read-outs for the frame, per band 0..4.
    double guadagnoDb(int b) const;  // slow gain plus bonding gain
    double potenza(int b) const;     // band mean square before its gain
    double gai(int b) const { return p_.params.bande[static_cast<std::size_t>(b)].gai; }

private:
    Progetto p_;
};

}  // namespace omb
