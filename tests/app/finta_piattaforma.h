// A stand-in for the capture layer and the engine's read-outs, set by the test and recording
// what the model asked of it; plus the common set-up of a model on a manual clock.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macchina.h"
#include "orologio.h"
#include "piattaforma.h"
#include "velmora.h"

class FintaPiattaforma : public velmora::Piattaforma {
  public:
    bool avvia(uint32_t dispositivo) override {
        avviiChiesti.push_back(dispositivo);
        attiva = avviaRiesce;
        return avviaRiesce;
    }
    void ferma() override {
        ++fermate;
        attiva = false;
    }
    std::string errore() override { return testoErrore; }
    uint64_t conteggio() override { return blocchi; }
    bool viva() override { return presaViva; }
    int canale() override { return primoCanale; }
    int quantiCanali() override { return canali; }
    float piuForte() override { return forte; }
    bool altroAttivo() override { return altro; }
    bool permesso() override {
        ++permessiChiesti;
        return permessoDato;
    }
    std::optional<std::string> elencoUscite() override { return elenco; }
    uint32_t idUscita(int indice) override {
        return indice >= 0 && indice < static_cast<int>(id.size()) ? id[static_cast<size_t>(indice)]
                                                                   : 0;
    }
    int uscitaPredefinita() override { return predefinita; }
    velmora::Letture letture() override { return lette; }
    velmora::VersioneAudio versioneAudio() override { return versione; }
    std::optional<std::string> impostazioniAudio() override { return linkSuono; }
    bool apri(const std::string& indirizzo) override {
        aperti.push_back(indirizzo);
        return true;
    }

    bool avviaRiesce = true;
    bool attiva = false;
    std::string testoErrore;
    uint64_t blocchi = 0;
    bool presaViva = true;
    int primoCanale = 0;
    int canali = 2;
    float forte = -100;
    bool altro = false;
    bool permessoDato = true;
    std::optional<std::string> elenco = std::string("Cuffie\nAltoparlanti\n");
    std::vector<uint32_t> id{41, 42};
    int predefinita = 1;
    velmora::Letture lette;
    velmora::VersioneAudio versione{"0.3.65", "0.3.65"};
    std::optional<std::string> linkSuono = std::string("file:///x/gnome-sound-panel.desktop");

    std::vector<uint32_t> avviiChiesti;
    int fermate = 0;
    int permessiChiesti = 0;
    std::vector<std::string> aperti;
};

// A fresh engine, private settings and preset folders, and a manual clock for each test.
class BancoModello {
  public:
    BancoModello() : impostazioni(cartella.filePath("impostazioni.ini"), QSettings::IniFormat) {
        velmora_distruggi();
        velmora_ospite(nullptr, nullptr);
        cartelle.lavoro = cartella.filePath("lavoro");
        cartelle.dati = {cartella.filePath("dati")};
        cartelle.risorse = cartella.filePath("pacchetto");
    }
    ~BancoModello() {
        macchina.reset();
        velmora_distruggi();
    }

    velmora::Macchina& crea() {
        velmora::Ambiente a;
        a.piattaforma = &piattaforma;
        a.orologio = &orologio;
        a.impostazioni = &impostazioni;
        a.cartelle = cartelle;
        macchina = std::make_unique<velmora::Macchina>(a);
        return *macchina;
    }

    // Input meters all at the same level, the output the same.
    void ingresso(float db) {
        piattaforma.lette.metroIn = {db, db, db, db, db};
        piattaforma.lette.metroOut = piattaforma.lette.metroIn;
    }

    QTemporaryDir cartella;
    FintaPiattaforma piattaforma;
    velmora::OrologioManuale orologio;
    QSettings impostazioni;
    velmora::CartellePreset cartelle;
    std::unique_ptr<velmora::Macchina> macchina;
};
