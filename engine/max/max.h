// The final stage: tone, bass, stereo, clipping and limiting.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "../archivio.h"
#include "../biquad.h"

namespace omax {

using velmora::Biquad;
using velmora::Coefficienti;

// The stage's settings record, filled from the x_ keys. Per-cent keys are fractions here.
struct Params {
    bool tosaon = true;
    double in = 0, shape = 0, out = -1, mix = 1;
    bool limit = true;
    double ant = 10, rel = 120;
    double mahz = 2400, mafix = 0, madin = 0, marel = 1000, maq = 0.8;
    double bshz = 90, bsfix = 0, bsdin = 0, bsrel = 120, bsq = 0.9;
    std::int32_t rot = 0;
    double rothz = 200;
    double bchz = 200, bcdb = 0;
    double arm = 0, armhz = 120;
    double spazio = 0, spaziohz = 1500;
    double top = 0, pre = 0, hfhz = 6000, hfdb = 0, clip = 0;
};

// Reads the x_ keys. Broadcast mode ("x_radio" above 0.5) decides tosaon, ant and limit; in
// listening mode those three keys are not read at all.
Params leggi(const velmora::Archivio& a);

// tanh of both lanes: tanh |x| = -t / (2 + t) with t = expm1(-2|x|), and expm1 computed inline:
// -2|x| = k ln 2 + r with k whole and |r| <= ln 2 / 2, expm1 = 2^k expm1(r) + 2^k - 1, expm1(r)
// by its series to r^13 (the rest is below 1e-17 of it). A few ulp from std::tanh; |x| above 20
// gives +-1 exactly, as tanh does in doubles; not a number stays not a number.
inline velmora::Coppia tangenteIperbolica(velmora::Coppia x) {
    using velmora::Coppia;
    typedef long long Interi __attribute__((vector_size(16)));
    const Interi segno = Interi{} + (1LL << 63);
    const Interi bit = std::bit_cast<Interi>(x);
    const Interi modulo = bit & ~segno;
    Coppia a = std::bit_cast<Coppia>(modulo);
    const Interi oltre = a > 20.0;
    const Coppia venti = Coppia{} + 20.0;
    const Interi limitato =
        (oltre & std::bit_cast<Interi>(venti)) | (~oltre & std::bit_cast<Interi>(a));
    a = std::bit_cast<Coppia>(limitato);

    const Coppia y = -2.0 * a;
    constexpr double spinta = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to a whole number
    Coppia k = y * 1.44269504088896338700 + spinta;
    const Interi kBit = std::bit_cast<Interi>(k);
    k -= spinta;
    const Coppia r = (y - k * 6.93147180369123816490e-01) - k * 1.90821492927058770002e-10;
    Coppia q = Coppia{} + 1.0 / 6227020800.0;  // 1/13!
    for (const double c :
         {1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0, 1.0 / 40320.0,
          1.0 / 5040.0, 1.0 / 720.0, 1.0 / 120.0, 1.0 / 24.0, 1.0 / 6.0, 0.5})
        q = q * r + c;
    const Coppia e = r + r * r * q;
    const Interi dueBit = (kBit - 0x4338000000000000LL + 1023) << 52;
    const Coppia due = std::bit_cast<Coppia>(dueBit);  // 2^k
    const Coppia t = due * e + (due - 1.0);
    const Coppia v = -t / (2.0 + t);
    const Interi risultato = (std::bit_cast<Interi>(v) & ~segno) | (bit & segno);
    return std::bit_cast<Coppia>(risultato);
}

// Longest look-ahead honoured, in ms: anything longer would only ask for memory.
inline constexpr double ANTICIPO_MASSIMO = 1000;

// Look-ahead length in samples for a setting and a rate: at least 1.
std::int32_t lunghezzaAnticipo(double ant, double sr);

// Cosine and alpha of a second-order design at a fixed frequency and Q, so that a dynamic bell or
// shelf can be redesigned for a new gain without trigonometry.
struct Forma {
    double cosw = 1, alfa = 0;
};

// Everything the running stage needs from one design, fixed in size.
struct Disegno {
    Params params;
    double sr = 48000;

    // Output half.
    double gIn = 1, tetto = 1, mix = 1;
    bool armOn = false;
    double cArm = 0, c400 = 0, kDer = 0, armG = 0;
    bool maOn = false;
    Coefficienti maRivelatore;
    double maAtt = 0, maRil = 0, maRil32 = 0;
    Forma maCampana;
    bool bsOn = false, bsSoloFisso = false;
    Coefficienti bsRivelatore;
    double bsAtt = 0, bsRil = 0, bsRil32 = 0;
    Forma bsCampana;

    // Clipping half.
    int rotN = 0;
    double rotC = 0;
    bool satOn = false;
    double sat2 = 0;   // shape squared
    double segue = 0;  // peak followers: fall for 1.5 s
    bool bcOn = false;
    Coefficienti bcBasso;
    double bcDiv = 1;
    bool hfClipOn = false, preOn = false, hfOn = false, clipOn = false;
    double preB0 = 1, preB1 = 0, preA1 = 0, deB0 = 1, deB1 = 0, deA1 = 0;
    Coefficienti hfRivelatore;
    double hfAtt = 0, hfRil = 0, hfRil32 = 0;
    double hfCos = 1, hfMezzoSin = 0;  // high shelf at hfhz, slope 0.7
    double clipDiv = 1;
    bool spazioOn = false;
    double cSp = 0, spGuadagno = 1;
    Coefficienti hp150;
    bool topOn = false;
    Coefficienti taglio;
    Coefficienti sovra;  // oversampling low-pass, the same for every user

    // Output section.
    std::int32_t N = 1;
    bool limit = false;
    double limAtt = 1, limRil = 1;
};

// A complete design: the fixed-size part and the look-ahead buffers sized for it.
struct Progetto {
    Disegno d;
    // Delay and dry lines: interleaved stereo frames, N of them in use.
    std::vector<float> ritardo, secco;
    // Window of the required limiter gains, kept as a running minimum (values and their age).
    std::vector<float> minValori;
    std::vector<std::int64_t> minIndici;
};

// Pure design from settings and rate (a rate not above 0 counts as 48000).
Progetto progetta(const Params& p, double sr);

class Max {
  public:
    // Ready to process at once: default settings at 48000 Hz.
    Max();

    // Audio thread, between blocks: takes the new design; histories, envelopes and gains carry
    // over. Swaps in the look-ahead buffers only when their length differs from the running one,
    // leaving the old ones in p. Does not allocate.
    void adotta(Progetto& p);
    // Clears all running state to its starting values, without allocating.
    void azzera();
    void process(float* l, float* r, int n);

    double limitatoreDb() const { return limDb_; }
    double tosaturaDb() const { return tosatura_; }

    // The oversampled clipper of one channel (0 left, 1 right) at threshold soglia.
    double tosa2x(double x, int canale, double soglia);

    const Disegno& disegno() const { return d_; }

  private:
    // Both channels in one register: left, right. Each lane computes exactly what a section of
    // its own would.
    typedef double Coppia __attribute__((vector_size(16)));

    // Biquad, direct form I, one per channel with shared coefficients.
    struct Sezione {
        velmora::CoefficientiCoppia c;  // each coefficient in both lanes
        Coppia x1{}, x2{}, y1{}, y2{};
        inline Coppia elabora(Coppia x) {
            const Coppia y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
        // One channel alone.
        inline double elabora(double x, int k) {
            const double y =
                c.b0[k] * x + c.b1[k] * x1[k] + c.b2[k] * x2[k] - c.a1[k] * y1[k] - c.a2[k] * y2[k];
            x2[k] = x1[k];
            x1[k] = x;
            y2[k] = y1[k];
            y1[k] = y;
            return y;
        }
        void azzera() { x1 = x2 = y1 = y2 = Coppia{}; }
    };
    struct PrimoOrdine {
        Coppia x1{}, y1{};
    };
    // Transposed direct form II state.
    struct Trasposta {
        double s1 = 0, s2 = 0;
    };

    void progettaDinamiche();
    void ripulisci();
    double minimo(float v);
    Coppia tosa2(Coppia x, double soglia);

    Disegno d_;

    double armA_ = 0, armB_ = 0, armP_ = 0, armQ_ = 0, armPrec_ = 0;
    PrimoOrdine rot_[4];
    Sezione satIn_, satOut_;
    Sezione maRiv_, maCamp_;
    double maEnv_ = 1e-12, maG_ = 0;
    std::int32_t maConta_ = 0;
    Sezione bsRiv_, bsCamp_;
    double bsEnv_ = 1e-12, bsG_ = 0;
    std::int32_t bsConta_ = 0;
    Sezione bcBasso_;
    double bcSegue_ = 0.001;
    PrimoOrdine pre_, de_;
    Sezione hfRiv_, hfScaff_;
    double hfEnv_ = 1e-12, hfG_ = 0;
    std::int32_t hfConta_ = 0;
    Sezione clipIn_, clipOut_;
    double clipSegue_ = 0.001, piccoPrima_ = 0, piccoDopo_ = 0, tosatura_ = 0;
    std::int32_t clipConta_ = 0;
    Trasposta hp150_[2];
    double spLp_ = 0;
    Sezione taglio_[4];

    std::vector<float> ritardo_, secco_, minValori_;
    std::vector<std::int64_t> minIndici_;
    std::int32_t pos_ = 0;
    std::int32_t minTesta_ = 0, minQuanti_ = 0;
    std::int64_t anelloConta_ = 0;
    double limG_ = 1, limDb_ = 0;
};

}  // namespace omax
