// The hand-over: every published set is destroyed exactly once, on the main thread.
#include "consegna.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Contato {
    static inline int vivi = 0;
    int valore;
    explicit Contato(int v) : valore(v) { ++vivi; }
    ~Contato() { --vivi; }
};

TEST(Consegna, AdozioneERitiro) {
    {
        velmora::Consegna<Contato, 4> c;
        EXPECT_EQ(c.adotta(), nullptr);
        c.pubblica(std::make_unique<Contato>(1));
        c.pubblica(std::make_unique<Contato>(2));  // replaces 1 before adoption
        EXPECT_EQ(Contato::vivi, 1);
        Contato* a = c.adotta();
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->valore, 2);
        EXPECT_EQ(c.adotta(), nullptr);  // nothing new
        c.pubblica(std::make_unique<Contato>(3));
        EXPECT_EQ(c.adotta()->valore, 3);
        EXPECT_EQ(Contato::vivi, 2);  // 2 waits on the return ring
        c.raccogli();
        EXPECT_EQ(Contato::vivi, 1);
    }
    EXPECT_EQ(Contato::vivi, 0);
}

}  // namespace
