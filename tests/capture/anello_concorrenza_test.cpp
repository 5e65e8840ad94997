// The ring between the capture and render callbacks, with each callback on its own thread as the
// audio server runs them. Every frame that comes out is one that went in, whole and in order:
// nothing torn, nothing repeated (frames may be dropped on overflow and silence played on
// underflow). Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "cattura.h"
#include "logica.h"

namespace {

struct Quieta final : cattura::Piattaforma {
    int creaPresa(double& f) override {
        f = 48000;
        return 0;
    }
    int rendiPredefinita() override { return 0; }
    int agganciaLettura() override { return 0; }
    int apriUscita(uint32_t, double& f) override {
        f = 48000;
        return 0;
    }
    int formatoUscita(double) override { return 0; }
    int avviaLettura() override { return 0; }
    int avviaUscita() override { return 0; }
    void chiudiUscita() override {}
    void sganciaLettura() override {}
    void ripristinaPredefinita() override {}
    void distruggiPresa() override {}
    void emergenza() override {}
    bool viva() override { return true; }
    bool permesso() override { return true; }
    std::vector<cattura::Uscita> uscite() override { return {}; }
    uint32_t predefinita() override { return 0; }
    bool uscitaInUso(std::string& nome) override {
        nome = "prova";
        return true;
    }
};

Quieta gQuieta;
void nessunaElaborazione(float*, float*, int) {}

TEST(AnelloConcorrenza, OgniFotogrammaEsceInteroEInOrdine) {
    cattura::usaPiattaforma(&gQuieta);
    cattura::usaElaborazione(nessunaElaborazione);
    ASSERT_TRUE(cattura_avvia(0)) << cattura_errore();

    constexpr int kBlocco = 256, kTotale = 1600 * kBlocco;
    std::atomic<bool> finito{false};
    std::thread cattura([&] {
        std::vector<float> inter(2 * kBlocco);
        for (int scritti = 0; scritti < kTotale; scritti += kBlocco) {
            for (int i = 0; i < kBlocco; ++i) {
                const auto v = static_cast<float>(scritti + i + 1);
                inter[static_cast<std::size_t>(2 * i)] = v;
                inter[static_cast<std::size_t>(2 * i + 1)] = -v;
            }
            cattura::Buffer b{inter.data(), 2, static_cast<uint32_t>(inter.size() * 4)};
            cattura::letturaTap(&b, 1);
            if ((scritti / kBlocco) % 16 == 0) std::this_thread::yield();
        }
        finito = true;
    });

    float ultimo = 0;
    long visti = 0;
    bool inOrdine = true, interi = true;
    std::vector<float> l(kBlocco), r(kBlocco);
    while (!finito.load() || cattura_anello() > 0) {
        cattura::resaUscita(l.data(), r.data(), kBlocco);
        for (int i = 0; i < kBlocco; ++i) {
            const float a = l[static_cast<std::size_t>(i)], b = r[static_cast<std::size_t>(i)];
            if (a == 0 && b == 0) continue;  // silence on underflow
            if (b != -a) interi = false;
            if (a <= ultimo) inOrdine = false;
            ultimo = a;
            ++visti;
        }
    }
    cattura.join();
    cattura_ferma();

    EXPECT_TRUE(interi);
    EXPECT_TRUE(inOrdine);
    EXPECT_GT(visti, kTotale / 4);
    EXPECT_LE(ultimo, static_cast<float>(kTotale)) << visti;
}

}  // namespace
