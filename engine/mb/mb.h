// The band splitter and the five band compressors.
//
// A Linkwitz-Riley tree cuts the signal into five bands; each band is phase-compensated so that the
// five add back to an all-pass of the input. Each band has a slow compressor (decided once every
// 32 samples), the five gains are coupled, a faster bonding compressor shares its gain across the
// bands, and an instantaneous wall limits each band's peaks before the bands are summed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "../archivio.h"
#include "../biquad.h"

namespace omb {

using velmora::Coefficienti;

struct Banda {
    bool bon = true;
    double sog = -40, tet = -6, rap = 4, att = 20, ril = 150, gai = 0, sot = 0;
};

// The stage's settings record, filled from the m_ keys. Per-cent keys are fractions here.
struct Params {
    std::array<Banda, 5> bande{};
    std::array<double, 4> xo{100, 400, 1500, 5000};
    double inmin = -30, inmax = -12, indbs = 6, hpf = 36;
    bool lock = false;
    double lib = 24, sbav = 0, lim = 8, limgr = 0, limrel = 25;
    double unione = 0, acc = 0, acc34 = 0;
    std::int32_t pend = 2;
    double sumax = 12, giumax = 18, det = 500;
    double str = 1, strms = 25, stratt = 10, strril = 200, strsog = 0, strleg = 0.23, strcom = 0.1;
    double mix = 1, out = 0;
};

Params leggi(const velmora::Archivio& a);

// Section Qs of one side of a crossover: two Butterworth second-order sections (24 dB/oct
// Linkwitz-Riley), or two Butterworth fourth-order filters (48 dB/oct).
inline constexpr double kQ4[2] = {0.70710678, 0.70710678};
inline constexpr double kQ8[4] = {0.5411961, 1.30656296, 0.5411961, 1.30656296};

using Cinque = std::array<double, 5>;

using velmora::Coppia;  // left, right

// Second-order all-pass on both channels. Its numerator is its denominator reversed (b0 = a2,
// b1 = a1, b2 = 1), so one sample costs two products.
struct PassaTutto {
    Coppia a1{}, a2{};
    Coppia x1{}, x2{}, y1{}, y2{};
    void imposta(const Coefficienti& c) { a1 = Coppia{c.a1, c.a1}, a2 = Coppia{c.a2, c.a2}; }
    inline Coppia elabora(Coppia x) {
        const Coppia y = a2 * (x - y2) + a1 * (x1 - y1) + x2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void azzera() { x1 = x2 = y1 = y2 = Coppia{}; }
};

// Every value derived from the settings, designed on the main thread. Plain data.
struct Progetto {
    Params params;
    double sr = 48000;

    // Filters: the band low cut, and section j of crossover k on each side.
    Coefficienti taglio;
    std::array<std::array<Coefficienti, 4>, 4> bassa{}, alta{};
    std::int32_t n = 2;  // sections per crossover side
    // The low-pass and high-pass sides of a Linkwitz-Riley crossover add up to an all-pass: one
    // second-order all-pass at 24 dB/oct, two at 48 dB/oct (the Butterworth Qs of each side). Each
    // band is phase-compensated with these, section j of crossover k.
    std::array<std::array<Coefficienti, 2>, 4> tutto{};

    // Input window.
    double coefIngresso = 0, passoIngresso = 0;
    // Band detectors and compressors.
    double coefDet = 0;
    Cinque coefAtt{}, coefRil{};
    // Walls: on per band (stage wall on and band on), ceilings (linear peak), release.
    std::array<bool, 5> muroBanda{};
    bool muro = false;
    Cinque muroTetto{}, muroCoef{};
    // Bonding compressor.
    bool stretta = false;
    double coefDetStretta = 0, coefAttStretta = 0, coefRilStretta = 0;
    std::array<Cinque, 5> matrice{};
    // Output trim, linear.
    double fuori = 1;
};
static_assert(std::is_trivially_copyable_v<Progetto>);

// Pure design from settings and rate.
Progetto progetta(const Params& p, double sr);

class Mb {
  public:
    // Ready to run the default settings at 48000 Hz.
    Mb();

    bool fermo = false;  // hold flag, written by the frame before every block

    // Audio thread, between blocks: new design; histories and dynamic state carry over.
    void adotta(Progetto& p);
    // Back to the starting state: histories, detectors, gains, walls, countdown.
    void azzera();
    void process(float* l, float* r, int n);

    // Read-outs for the frame, per band 0..4 (neutral values outside that range).
    double guadagnoDb(int b) const;  // slow gain plus bonding gain
    double potenza(int b) const;     // band mean square before its gain
    double gai(int b) const;         // the band's make-up gain setting
    // Diagnostics: filter histories and detectors holding subnormal values (0 when healthy).
    int contaSubnormali() const;

    const Progetto& progetto() const { return p_; }

  private:
    using Sezione = velmora::BiquadCoppia;
    // The first section of both sides of a crossover. Both have the same poles, so one recursion
    // (direct form II) feeds the low-pass numerator gB (1 + 2/z + 1/z^2) and the high-pass one
    // gA (1 - 2/z + 1/z^2).
    struct Bivio {
        Coppia a1{}, a2{}, gB{}, gA{};
        Coppia w1{}, w2{};
        void imposta(const Coefficienti& bassa, const Coefficienti& alta) {
            a1 = Coppia{bassa.a1, bassa.a1}, a2 = Coppia{bassa.a2, bassa.a2};
            gB = Coppia{bassa.b0, bassa.b0}, gA = Coppia{alta.b0, alta.b0};
        }
        inline void elabora(Coppia x, Coppia& bassa, Coppia& alta) {
            const Coppia w = x - a1 * w1 - a2 * w2;
            const Coppia s = w + w2, d = w1 + w1;
            bassa = gB * (s + d);
            alta = gA * (s - d);
            w2 = w1;
            w1 = w;
        }
        void azzera() { w1 = w2 = Coppia{}; }
    };
    // One crossover (both channels): the shared first section, then sections 1 to n - 1 of the
    // low-pass and high-pass chains (section 0 of the arrays is not used).
    struct Incrocio {
        Bivio bivio;
        Sezione bassa[4], alta[4];
        std::int32_t n = 2;
    };

    template <int N>
    void elabora(float* l, float* r, int n);
    void decidi();
    void decidiIngresso();
    void lineari();
    void pulisci();

    Progetto p_;
    // Input window.
    double potenzaIngresso_ = 1e-20, ingresso_ = 0, ingressoVoluto_ = 0, ingressoLineare_ = 1;
    std::int32_t contaDecidi_ = 0;
    // Band compressors, in dB unless named otherwise.
    Cinque potenza_{}, guadagno_{}, guadagnoBanda_{};
    Cinque muroGuadagno_{};  // linear
    Cinque potenzaStretta_{}, strettaGrezza_{}, strettaBanda_{};
    Cinque lineare_{};  // applied band gains, linear, recomputed at each decision
    // Filters: low cut, the tree, and the compensators (b, k) for k above b, in the order
    // (1,2) (1,3) (1,4) (2,3) (2,4) (3,4).
    Sezione taglio_[2];
    Incrocio incroci_[4];
    PassaTutto compensi_[6][2];
};

}  // namespace omb
