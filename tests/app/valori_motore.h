// The value interface over the real engine, as the application model implements it: a fresh,
// empty parameter store per object, no host hook (every write applies at once).
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "catalogo.h"
#include "valori.h"
#include "velmora.h"

class ValoriMotore : public velmora::Valori {
  public:
    ValoriMotore() {
        velmora_distruggi();
        velmora_ospite(nullptr, nullptr);
        velmora_crea(48000);
    }
    ~ValoriMotore() override { velmora_distruggi(); }
    ValoriMotore(const ValoriMotore&) = delete;
    ValoriMotore& operator=(const ValoriMotore&) = delete;

    double valore(std::string_view chiave) const override {
        return velmora_leggi(std::string(chiave).c_str(), velmora::PREDEFINITI(chiave));
    }
    bool ha(std::string_view chiave) const override {
        return velmora_ha(std::string(chiave).c_str());
    }
    void sincronizza(std::string_view chiave, double valore) override {
        velmora_imposta(std::string(chiave).c_str(), valore);
        ++revisione;
    }

    // Writes a value the way a widget does, without a revision.
    void imposta(std::string_view chiave, double valore) {
        velmora_imposta(std::string(chiave).c_str(), valore);
    }
    // The raw store: the value, or NaN when absent.
    double grezzo(std::string_view chiave) const {
        return ha(chiave) ? velmora_leggi(std::string(chiave).c_str(), 0) : std::nan("");
    }

    int revisione = 0;
};
