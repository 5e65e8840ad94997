#include "agc.h"

namespace agc {

Params leggi(const velmora::Archivio&) { return {}; }

Progetto progetta(const Params& p, double sr) { return Progetto{p, sr}; }

void Agc::adotta(Progetto&) {}
void Agc::azzera() {}
// Not built yet: passes audio through untouched.
void Agc::process(float*, float*, int) {}

}  // namespace agc
