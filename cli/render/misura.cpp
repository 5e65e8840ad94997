#include "misura.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace resa {

PiccoVero::PiccoVero(int canali, double sr) : canali_(canali) {
    fattore_ = sr < 96000 ? 4 : sr < 192000 ? 2 : 1;
    constexpr int N = 49;
    prese_ = (N + fattore_ - 1) / fattore_;
    fasi_.assign(static_cast<std::size_t>(fattore_ * prese_), 0.0f);
    if (fattore_ > 1)
        for (int j = 0; j < N; ++j) {
            const double m = j - (N - 1) / 2.0;
            const double x = m * std::numbers::pi / fattore_;
            double c = std::fabs(m) > 1e-12 ? std::sin(x) / x : 1.0;
            c *= 0.5 * (1 - std::cos(2 * std::numbers::pi * j / (N - 1)));
            fasi_[static_cast<std::size_t>((j % fattore_) * prese_ + j / fattore_)] =
                static_cast<float>(c);
        }
    storia_.assign(static_cast<std::size_t>(canali),
                   std::vector<float>(static_cast<std::size_t>(prese_ - 1), 0.0f));
    // No phase can give more than the sum of its taps' magnitudes times the largest input it
    // sees (a hair more, for the rounding of the float sums).
    for (int f = 1; f < fattore_; ++f) {
        double somma = 0;
        for (int t = 0; t < prese_; ++t)
            somma += std::fabs(fasi_[static_cast<std::size_t>(f * prese_ + t)]);
        guadagnoMassimo_ = std::max(guadagnoMassimo_, somma * 1.0001);
    }
}

// The largest oversampled magnitude above `gia` (a peak already found); x holds P - 1 samples
// of history, then the frames. Phase 0 is the input sample itself (all its other taps fall on
// zeros of the sinc), so only the phases in between are computed, each as one pass over a
// piece per tap. A piece whose inputs are too small to beat `gia` is skipped.
template <int F, int P>
float PiccoVero::sovracampiona(const float* x, std::size_t frame, float gia) {
    constexpr std::size_t TESSERA = 512;  // frames per pass, so that the passes stay in cache
    float picco = gia;
    float s[TESSERA];
    for (std::size_t o = 0; o < frame; o += TESSERA) {
        const std::size_t m = std::min(TESSERA, frame - o);
        float ingresso = 0;
        for (std::size_t i = 0; i < m + P - 1; ++i)
            ingresso = std::max(ingresso, std::fabs(x[o + i]));
        if (ingresso * guadagnoMassimo_ <= picco) continue;
        for (int f = 1; f < F; ++f) {
            std::fill(s, s + m, 0.0f);
            for (int t = 0; t < P; ++t) {
                const float h = fasi_[static_cast<std::size_t>(f * P + t)];
                const float* __restrict n = x + o + (P - 1 - t);
                for (std::size_t i = 0; i < m; ++i) s[i] += h * n[i];
            }
            for (std::size_t i = 0; i < m; ++i) picco = std::max(picco, std::fabs(s[i]));
        }
    }
    return picco;
}

void PiccoVero::aggiungi(const float* dati, std::size_t frame) {
    const auto c = static_cast<std::size_t>(canali_);
    const auto storico = static_cast<std::size_t>(prese_ - 1);
    lavoro_.resize(frame + storico);
    for (std::size_t k = 0; k < c; ++k) {
        float piccoCampione = 0;
        for (std::size_t i = 0; i < frame; ++i)
            piccoCampione = std::max(piccoCampione, std::fabs(dati[i * c + k]));
        campione_ = std::max(campione_, double(piccoCampione));
        if (fattore_ == 1 || frame == 0) continue;
        auto& storia = storia_[k];
        std::copy(storia.begin(), storia.end(), lavoro_.begin());
        for (std::size_t i = 0; i < frame; ++i) lavoro_[storico + i] = dati[i * c + k];
        const auto gia = static_cast<float>(std::max(vero_, campione_));
        const float picco = fattore_ == 4 ? sovracampiona<4, 13>(lavoro_.data(), frame, gia)
                                          : sovracampiona<2, 25>(lavoro_.data(), frame, gia);
        vero_ = std::max(vero_, double(picco));
        std::copy(lavoro_.end() - static_cast<std::ptrdiff_t>(storico), lavoro_.end(),
                  storia.begin());
    }
}

double PiccoVero::vero() const {
    return std::max(vero_, campione_);
}

Misuratore::Misuratore(int canali, double sr)
    : stato_(ebur128_init(static_cast<unsigned>(canali), static_cast<unsigned long>(sr),
                          EBUR128_MODE_I | EBUR128_MODE_LRA)),
      picchi_(canali, sr) {}

Misuratore::~Misuratore() {
    if (stato_ != nullptr) ebur128_destroy(&stato_);
}

void Misuratore::aggiungi(const float* dati, std::size_t frame) {
    if (stato_ == nullptr) return;
    ebur128_add_frames_float(stato_, dati, frame);
    picchi_.aggiungi(dati, frame);
}

Livelli Misuratore::livelli() const {
    Livelli l;
    if (stato_ == nullptr) return l;
    l.misurato = true;
    double v = 0;
    if (ebur128_loudness_global(stato_, &v) == EBUR128_SUCCESS) l.integrato = v;
    if (ebur128_loudness_range(stato_, &v) == EBUR128_SUCCESS) l.gamma = v;
    auto db = [](double x) {
        return x > 0 ? 20 * std::log10(x) : -std::numeric_limits<double>::infinity();
    };
    l.piccoVero = db(picchi_.vero());
    l.picco = db(picchi_.campione());
    return l;
}

}  // namespace resa
