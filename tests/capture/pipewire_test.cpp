// The PipeWire side against a real server. Runs only inside the private environment of
// scripts/pipewire_ambiente.sh (VELMORA_PW_DIR set), whose default sink is "fake_headphones":
// these tests change the default sink and must never touch a user's own session.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "cattura.h"

namespace {

std::string comando(const char* riga) {
    std::string out;
    if (FILE* f = popen(riga, "r")) {
        char buf[512];
        while (fgets(buf, sizeof(buf), f) != nullptr) out += buf;
        pclose(f);
    }
    return out;
}

std::string predefinito() {
    return comando("wpctl inspect @DEFAULT_AUDIO_SINK@ 2>/dev/null");
}
std::string configurato() {
    return comando("pw-metadata 0 default.configured.audio.sink 2>/dev/null");
}
bool contiene(const std::string& s, const char* cosa) {
    return s.find(cosa) != std::string::npos;
}

template <typename F>
bool entro(int ms, F fatto) {
    for (int i = 0; i < ms / 50; ++i) {
        if (fatto()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fatto();
}

// Position of a device in a freshly built list, -1 when absent.
int indice(const char* nome) {
    std::string elenco = cattura_elenco_uscite();
    elenco += "\n";
    int n = 0;
    std::string riga;
    for (char c : elenco) {
        if (c != '\n') {
            riga += c;
            continue;
        }
        if (riga == nome) return n;
        riga.clear();
        ++n;
    }
    return -1;
}

class PipeWireVero : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("VELMORA_PW_DIR") == nullptr)
            GTEST_SKIP() << "needs the private PipeWire environment (scripts/pipewire_ambiente.sh)";
    }
    void TearDown() override { cattura_ferma(); }
};

// First, before this process holds a connection of its own: a child that captures and is then
// terminated gives the default sink back before it dies, and still dies of the signal.
TEST_F(PipeWireVero, SigtermDuranteLaCatturaRidaIlSuonoEMuoreDiSigterm) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!cattura_avvia(0)) _exit(3);
        std::raise(SIGTERM);
        _exit(4);
    }
    int stato = 0;
    ASSERT_EQ(waitpid(pid, &stato, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(stato)) << "exit status " << WEXITSTATUS(stato);
    EXPECT_EQ(WTERMSIG(stato), SIGTERM);
    EXPECT_TRUE(entro(2000, [] { return contiene(predefinito(), "fake_headphones"); }));
    EXPECT_FALSE(contiene(configurato(), "Velmora")) << configurato();
}

TEST_F(PipeWireVero, UscireSenzaFermareRidaIlSuono) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!cattura_avvia(0)) _exit(3);
        std::exit(0);  // no cattura_ferma: the exit hook tears down
    }
    int stato = 0;
    ASSERT_EQ(waitpid(pid, &stato, 0), pid);
    ASSERT_TRUE(WIFEXITED(stato));
    EXPECT_EQ(WEXITSTATUS(stato), 0);
    EXPECT_TRUE(entro(2000, [] { return contiene(predefinito(), "fake_headphones"); }));
    EXPECT_FALSE(contiene(configurato(), "Velmora")) << configurato();
}

TEST_F(PipeWireVero, LaSondaDelPermessoNonLasciaNienteDietro) {
    EXPECT_TRUE(cattura_permesso());
    EXPECT_FALSE(contiene(comando("pw-cli ls Node 2>/dev/null"), "Velmora prova"));
    EXPECT_TRUE(contiene(predefinito(), "fake_headphones"));
    EXPECT_FALSE(cattura_attiva());
}

TEST_F(PipeWireVero, CatturaVivaSuFakeHeadphonesEPoiTuttoTornaCome) {
    const int cuffie = indice("fake_headphones");
    ASSERT_GE(cuffie, 0) << cattura_elenco_uscite();
    // The session manager may still be settling the default after the previous test.
    EXPECT_TRUE(entro(2000, [cuffie] { return cattura_uscita_predefinita() == cuffie; }));
    EXPECT_STREQ(cattura_uscita_in_uso(), "(niente)");

    ASSERT_TRUE(cattura_avvia(0)) << cattura_errore();
    EXPECT_TRUE(cattura_attiva());
    EXPECT_TRUE(cattura_viva());
    EXPECT_TRUE(contiene(predefinito(), "Velmora"));
    EXPECT_STREQ(cattura_uscita_in_uso(), "fake_headphones");
    EXPECT_DOUBLE_EQ(cattura_frequenza(), 48000);
    EXPECT_DOUBLE_EQ(cattura_frequenza_uscita(), 48000);
    // Our own sink is never offered as an output; the default is still the real one.
    EXPECT_EQ(indice("Velmora"), -1);
    EXPECT_EQ(cattura_uscita_predefinita(), indice("fake_headphones"));
    // The graph keeps calling us even with nothing playing.
    const uint64_t n = cattura_conteggio();
    EXPECT_TRUE(entro(2000, [n] { return cattura_conteggio() > n + 2; }));

    cattura_ferma();
    EXPECT_FALSE(cattura_viva());
    EXPECT_STREQ(cattura_uscita_in_uso(), "(niente)");
    EXPECT_TRUE(entro(2000, [] { return contiene(predefinito(), "fake_headphones"); }));
    EXPECT_FALSE(contiene(configurato(), "Velmora"));

    // An explicit device works the same way.
    ASSERT_TRUE(cattura_avvia(cattura_id_uscita(indice("fake_headphones")))) << cattura_errore();
    EXPECT_STREQ(cattura_uscita_in_uso(), "fake_headphones");
    cattura_ferma();
}

TEST_F(PipeWireVero, UnAvvioSuUnUscitaCheNonCeFallisceSenzaTogliereIlSuono) {
    EXPECT_FALSE(cattura_avvia(999999));
    EXPECT_STREQ(cattura_errore(), "Non riesco ad aprire l'uscita audio.");
    EXPECT_FALSE(cattura_attiva());
    EXPECT_FALSE(cattura_viva());
    EXPECT_TRUE(entro(2000, [] { return contiene(predefinito(), "fake_headphones"); }));
    EXPECT_FALSE(contiene(configurato(), "Velmora"));
}

}  // namespace
