// The final stage: tone, bass, stereo, clipping and limiting.
#pragma once

#include <cstdint>
#include <vector>

#include "../archivio.h"
#include "../biquad.h"

namespace omax {

// The stage's settings record, filled from the x_ keys. Per-cent keys are fractions here.
struct Params {
    bool tosaon = true;
    double in = 0, shape = 0, out = -1, mix = 1;
    bool limit = true;
    double ant = 10, rel = 120;
    double mahz = 2400, mafix = 0, madin = 0, marel = 1000, maq = 0.8;
    double bshz = 90, bsfix = 0, bsdin = 0, bsrel = 120, bsq = 0.9;
    std::int32_t rot = 0;
    double rothz = 200;
    double bchz = 200, bcdb = 0;
    double arm = 0, armhz = 120;
    double spazio = 0, spaziohz = 1500;
    double top = 0, pre = 0, hfhz = 6000, hfdb = 0, clip = 0;
};

// Reads the x_ keys. Broadcast mode ("x_radio" above 0.5) decides tosaon, ant and limit; in
// listening mode those three keys are not read at all.
Params leggi(const velmora::Archivio& a);

struct Progetto {
    Params params;
    double sr = 48000;
};

Progetto progetta(const Params& p, double sr);

class Max {
public:
    void adotta(Progetto& p);
    void azzera();
    void process(float* l, float* r, int n);
    double limitatoreDb() const { return 0.0; }
    double tosaturaDb() const { return 0.0; }
};

}  // namespace omax
