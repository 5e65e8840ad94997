// The audio thread processes while the main thread loads presets and changes parameters, gate
// length included. Processing must never allocate or free, and (under ThreadSanitizer) never race.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "segnali.h"
#include "velmora.h"

#ifndef VELMORA_SENZA_CONTATORE
#include "conta_allocazioni.h"
#endif

namespace fs = std::filesystem;

namespace {

TEST(Concorrenza, ElaborareNonAllocaMentreIlMotoreCambia) {
    velmora_ospite(nullptr, nullptr);
    velmora_crea(48000);
    const auto dir = fs::temp_directory_path() / ("velmora-conc-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string a = (dir / "a.json").string(), b = (dir / "b.json").string();
    std::ofstream(a) << R"({"g_porta": 20, "e_b1db": 4, "e_hp": 40, "f_on": 1, "x_radio": 1,
                           "m_pend": 48, "a_ant": 5, "m_lim": 6, "o_schiaccia": 3})";
    std::ofstream(b) << R"({"g_porta": 7, "e_hsdb": -3, "e_lp": 12000, "x_radio": 0,
                           "m_pend": 24, "a_ant": 0, "x_ant": 3})";

    std::atomic<bool> fine{false};
    std::atomic<long> blocchi{0};
    std::atomic<bool> finiti{true};
    std::thread audio([&] {
        std::vector<float> l(256), r(256);
#ifndef VELMORA_SENZA_CONTATORE
        contaAllocazioni::azzera();
        contaAllocazioni::segui(true);
#endif
        double t = 0;
        while (!fine.load() || blocchi.load() < 2000) {
            for (int i = 0; i < 256; ++i, ++t) {
                l[static_cast<std::size_t>(i)] = static_cast<float>(0.4 * std::sin(t * 0.05));
                r[static_cast<std::size_t>(i)] = static_cast<float>(0.3 * std::sin(t * 0.031));
            }
            velmora_elabora(l.data(), r.data(), 256);
            for (float x : l)
                if (!std::isfinite(x)) finiti = false;
            blocchi.fetch_add(1);
        }
#ifndef VELMORA_SENZA_CONTATORE
        contaAllocazioni::segui(false);
#endif
    });

    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(velmora_carica_preset((i % 2 ? a : b).c_str()));
        velmora_imposta("g_pre", (i % 7) - 3.0);
        velmora_imposta("g_porta", 1 + i % 13);
        velmora_imposta("g_pbers", -10 - i % 5);
        velmora_accendi(i % 11 != 0);
        (void)velmora_metro_out(4);
        (void)velmora_banda(i % 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    fine = true;
    audio.join();
    velmora_distruggi();
    fs::remove_all(dir);

    EXPECT_GE(blocchi.load(), 2000);
    EXPECT_TRUE(finiti.load());
#ifndef VELMORA_SENZA_CONTATORE
    EXPECT_EQ(contaAllocazioni::allocazioni(), 0u);
    EXPECT_EQ(contaAllocazioni::liberazioni(), 0u);
#endif
}

}  // namespace
