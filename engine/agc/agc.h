// The slow leveller.
#pragma once

#include <vector>

#include "../archivio.h"
#include "../biquad.h"

namespace agc {

// The stage's settings record, filled from the a_ keys.
struct Params {
    // Fields are added with the stage.
};

Params leggi(const velmora::Archivio& a);

// Designed on the main thread. Buffers whose size depends on the settings are allocated here and
// swapped into the stage by adotta only when their size differs from the running ones.
struct Progetto {
    Params params;
    double sr = 48000;
};

Progetto progetta(const Params& p, double sr);

class Agc {
public:
    bool fermo = false;  // hold flag, written by the frame before every block

    void adotta(Progetto& p);
    void azzera();
    void process(float* l, float* r, int n);
    double guadagnoDb() const { return 0.0; }
};

}  // namespace agc
