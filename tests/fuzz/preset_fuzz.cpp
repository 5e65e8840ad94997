// Any bytes as a preset file: loading never crashes, a refused file leaves the store exactly as it
// was, an accepted one leaves a chain that still produces finite sound.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velmora.h"

namespace {

std::string percorso() {
    static const std::string p = "/tmp/velmora-fuzz-" + std::to_string(::getpid()) + ".json";
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t n) {
    static bool pronto = false;
    if (!pronto) {
        velmora_crea(48000);
        velmora_imposta("g_pre", 2);
        pronto = true;
    }
    FILE* f = std::fopen(percorso().c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(dati, 1, n, f);
    std::fclose(f);

    const std::string prima = velmora_preset_json();
    const bool caricato = velmora_carica_preset(percorso().c_str());
    if (!caricato && prima != velmora_preset_json()) std::abort();

    float l[64], r[64];
    for (int i = 0; i < 64; ++i) l[i] = r[i] = static_cast<float>(std::sin(i * 0.3) * 0.5);
    velmora_elabora(l, r, 64);
    for (int i = 0; i < 64; ++i)
        if (!std::isfinite(l[i]) || !std::isfinite(r[i])) std::abort();
    return 0;
}
