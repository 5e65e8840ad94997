// Another running copy, told by the per-user presence locks.
#include "presenza.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class Presenza : public ::testing::Test {
  protected:
    void SetUp() override {
        char modello[] = "/tmp/velmora-presenza-XXXXXX";
        ASSERT_NE(mkdtemp(modello), nullptr);
        base_ = modello;
        cartella_ = base_ + "/velmora";
    }
    void TearDown() override { fs::remove_all(base_); }

    // A child that marks itself and waits for a byte on the pipe before it ends.
    pid_t figlio(int& scrivi) {
        int p[2], pronto[2];
        if (pipe(p) != 0 || pipe(pronto) != 0) return -1;
        const pid_t pid = fork();
        if (pid == 0) {
            close(p[1]);
            close(pronto[0]);
            const char esito = cattura::segnaPresenza(cartella_) ? 'y' : 'n';
            if (write(pronto[1], &esito, 1) != 1) _exit(3);
            char c;
            if (read(p[0], &c, 1) < 0) _exit(4);
            _exit(0);
        }
        close(p[0]);
        close(pronto[1]);
        char esito = 0;
        if (read(pronto[0], &esito, 1) != 1 || esito != 'y') return -1;
        close(pronto[0]);
        scrivi = p[1];
        return pid;
    }

    std::string base_, cartella_;
};

TEST_F(Presenza, SoloSeStessiNonContaMaUnAltroProcessoVivoSi) {
    ASSERT_TRUE(cattura::segnaPresenza(cartella_));
    ASSERT_TRUE(cattura::segnaPresenza(cartella_));  // repeating is harmless
    EXPECT_FALSE(cattura::altraPresenza(cartella_));

    int tubo = -1;
    const pid_t pid = figlio(tubo);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(cattura::altraPresenza(cartella_));
    EXPECT_TRUE(cattura::altraPresenza(cartella_));  // asking does not disturb the other copy

    close(tubo);  // the child ends
    int stato = 0;
    waitpid(pid, &stato, 0);
    EXPECT_FALSE(cattura::altraPresenza(cartella_));
}

TEST_F(Presenza, UnaCopiaUccisaNonContaEIlSuoFileSparisce) {
    int tubo = -1;
    const pid_t pid = figlio(tubo);
    ASSERT_GT(pid, 0);
    const fs::path file = fs::path(cartella_) / (std::to_string(pid) + ".pid");
    ASSERT_TRUE(fs::exists(file));
    kill(pid, SIGKILL);
    int stato = 0;
    waitpid(pid, &stato, 0);
    close(tubo);
    EXPECT_FALSE(cattura::altraPresenza(cartella_));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Presenza, FileEstraneiECartellaMancanteNonIngannano) {
    EXPECT_FALSE(cattura::altraPresenza(cartella_));  // no folder yet
    fs::create_directories(cartella_);
    std::ofstream(fs::path(cartella_) / "note.txt") << "x";
    std::ofstream(fs::path(cartella_) / "12x.pid") << "x";
    std::ofstream(fs::path(cartella_) / "999999999.pid") << "x";  // a leftover nobody holds
    EXPECT_FALSE(cattura::altraPresenza(cartella_));
    EXPECT_TRUE(fs::exists(fs::path(cartella_) / "note.txt"));
}

TEST_F(Presenza, LaCartellaVieneDaXdgRuntimeDir) {
    const char* prima = std::getenv("XDG_RUNTIME_DIR");
    const std::string salvato = prima != nullptr ? prima : "";
    setenv("XDG_RUNTIME_DIR", base_.c_str(), 1);
    EXPECT_EQ(cattura::cartellaPresenze(), base_ + "/velmora");
    setenv("XDG_RUNTIME_DIR", "relativa", 1);
    EXPECT_EQ(cattura::cartellaPresenze(), "/tmp/velmora-" + std::to_string(getuid()));
    if (prima != nullptr)
        setenv("XDG_RUNTIME_DIR", salvato.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
