#include "catena.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {

namespace {

inline float dbf(double x, double pavimento) {
    return static_cast<float>(20.0 * std::log10(std::max(x, pavimento)));
}

}  // namespace

std::array<Coefficienti, 2> pesaturaK(double fs) {
    std::array<Coefficienti, 2> k;
    {
        const double K = std::tan(5284.064595558424 / fs), Q = 0.7071;
        const double Vh = 1.5848566993668678, Vb = 1.2586790509524466;
        const double D = K * K + K / Q + 1;
        k[0] = {(Vh + Vb * K / Q + K * K) / D, 2 * (K * K - Vh) / D, (Vh - Vb * K / Q + K * K) / D,
                2 * (K * K - 1) / D, (K * K - K / Q + 1) / D};
    }
    {
        const double K = std::tan(119.78892788137883 / fs), Q = 0.5003;
        const double D = K * K + K / Q + 1;
        k[1] = {1 / D, -2 / D, 1 / D, 2 * (K * K - 1) / D, (K * K - K / Q + 1) / D};
    }
    return k;
}

Impostazioni leggiImpostazioni(const Parametri& parametri, double sr) {
    const Archivio a(parametri);
    Impostazioni s;
    s.agc = agc::leggi(a);
    s.mb = omb::leggi(a);

    // Squeeze macro: acts on the band settings on top of what the keys say.
    const double v = std::clamp(a.valore("o_schiaccia", 0), 0.0, 10.0);
    if (v > 1e-6) {
        for (auto& b : s.mb.bande) b.gai += 1.5 * v;
        s.mb.lim = std::max(std::min(s.mb.lim, 24.0) - v, 4.0);
        s.mb.str = std::min(s.mb.str + 0.2 * v, 8.0);
        s.mb.unione = std::min(s.mb.unione + 0.03 * v, 1.0);
    }
    // Band interaction switch: off makes the bands independent, whatever their keys say.
    if (a.ha("m_com") && a.valore("m_com", 1) < 0.5) {
        s.mb.unione = s.mb.acc = s.mb.acc34 = 0;
        s.mb.lib = 24;
        s.mb.sbav = 0;
        s.mb.lim = 24;
        s.mb.limgr = 0;
        s.mb.str = 1;
    }
    // Bands switch: off turns all five bands off.
    if (a.ha("m_ban") && a.valore("m_ban", 1) < 0.5)
        for (auto& b : s.mb.bande) b.bon = false;

    s.max = omax::leggi(a);
    s.eq = oeq::leggi(a);
    s.interruttori = {a.acceso("e_on", true), a.acceso("a_on", true), a.acceso("m_on", true),
                      a.acceso("x_on", true)};

    Testa& t = s.testa;
    // Bounded so that no preset can turn every sample into infinity.
    t.pre = std::pow(10.0, std::clamp(a.valore("g_pre", 0), -100.0, 100.0) / 20);
    t.canc = a.valore("g_canc", -200);
    t.cancMs = a.valore("g_cancms", 60);
    t.finestraAccesa = a.acceso("f_on", false);
    t.finestraMin = a.valore("f_min", -20);
    t.finestraMax = std::max(a.valore("f_max", -20), t.finestraMin);
    t.finestraVel = a.valore("f_vel", 1);
    // Gate length in samples; a negative look-ahead counts as 0. Bounded so that a nonsense value
    // cannot ask for more memory than ten seconds of delay.
    const double ms = std::clamp(a.valore("g_porta", 0), 0.0, 10000.0);
    const auto L = static_cast<std::size_t>(ms * 0.001 * sr);
    const std::size_t caselle = std::max<std::size_t>((L + 127) / 128, 1);
    t.portaL.assign(std::max<std::size_t>(L, 1), 0.0f);
    t.portaR.assign(std::max<std::size_t>(L, 1), 0.0f);
    t.portaPicchi.assign(caselle, 0.0f);
    return s;
}

Catena::Catena(double sr) : sr_(sr) {
    for (auto& m : metroLivello) m.store(-100);
    for (auto& m : metroUscita) m.store(-100);
    for (auto& m : metroIn) m.store(-100);
    for (auto& m : metroOut) m.store(-100);
    const auto k = pesaturaK(sr);
    finestraFiltro_[0] = k[0];
    finestraFiltro_[1] = k[1];
    portaL_.assign(1, 0.0f);
    portaR_.assign(1, 0.0f);
    portaPicchi_.assign(1, 0.0f);
}

Catena::~Catena() = default;

void Catena::applica() {
    Impostazioni s = leggiImpostazioni(parametri, sr_);
    auto nuova = std::make_unique<Istantanea>();
    nuova->eq = oeq::progetta(s.eq, sr_);
    nuova->agc = agc::progetta(s.agc, sr_);
    nuova->mb = omb::progetta(s.mb, sr_);
    nuova->max = omax::progetta(s.max, sr_);
    nuova->testa = std::move(s.testa);
    // The switches take effect at the next block on their own.
    for (std::size_t i = 0; i < 4; ++i) interruttori[i].store(s.interruttori[i]);
    aggiornaPorta();
    consegna_.pubblica(std::move(nuova));
}

void Catena::aggiornaPorta() {
    const Archivio a(parametri);
    portaBersaglio.store(a.valore("g_pbers", -12));
    portaVelocita.store(a.valore("g_pvel", 3));
}

void Catena::adotta(Istantanea& s) {
    attuale_ = &s;
    stadioEq.adotta(s.eq);
    stadioAgc.adotta(s.agc);
    stadioMb.adotta(s.mb);
    stadioMax.adotta(s.max);
    // The gate restarts from silence only when its length changes; the old lines go back to the
    // main thread inside the replaced set.
    Testa& t = s.testa;
    if (t.portaL.size() != portaL_.size()) {
        portaL_.swap(t.portaL);
        portaR_.swap(t.portaR);
        portaPicchi_.swap(t.portaPicchi);
        portaCasella_ = portaConta_ = portaScrivi_ = 0;
    }
    portaAttiva.store(portaL_.size() >= 2, std::memory_order_relaxed);
}

void Catena::azzeraTutto() {
    stadioEq.azzera();
    stadioAgc.azzera();
    stadioMb.azzera();
    stadioMax.azzera();
    std::fill(portaL_.begin(), portaL_.end(), 0.0f);
    std::fill(portaR_.begin(), portaR_.end(), 0.0f);
    std::fill(portaPicchi_.begin(), portaPicchi_.end(), 0.0f);
    std::fill(std::begin(finestraStato_), std::end(finestraStato_), 0.0);
    finestraMedia_ = 1e-9;
    cancMedia_ = 1.0;
    cancSotto_ = false;
    potenzaIn_ = potenzaOut_ = 0;
}

void Catena::adottaSubito() {
    if (consegna_.adotta() != nullptr) adotta(*consegna_.corrente());
    consegna_.raccogli();
}

namespace {
void silenzia(float* l, float* r, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(l[i])) l[i] = 0;
        if (!std::isfinite(r[i])) r[i] = 0;
    }
}
}  // namespace

bool Catena::misura(const float* l, const float* r, int n, bool ingresso) {
    const int s = ingresso ? 0 : 1;
    double p[2] = {0, 0};
    double e = 0;
    for (int i = 0; i < n; ++i) {
        const double a = l[i], b = r[i];
        p[0] = std::max(p[0], std::fabs(a));
        p[1] = std::max(p[1], std::fabs(b));
        e += a * a + b * b;
    }
    const bool finito = std::isfinite(e);
    if (!finito) e = 0, p[0] = p[1] = 0;  // reads as silence; the caller cleans the block
    auto& metro = ingresso ? metroIn : metroOut;
    for (int c = 0; c < 2; ++c) {
        double& F = piccoVeloce_[s][c];
        double& H = piccoTenuto_[s][c];
        std::int64_t& T = tenuta_[s][c];
        F = p[c] > F ? p[c] : F + 0.25 * (p[c] - F);
        if (p[c] >= H) {
            H = p[c];
            T = static_cast<std::int64_t>(3.0 * sr_);
        } else {
            T -= n;
            if (T <= 0) H += 0.05 * (p[c] - H);
        }
        metro[static_cast<std::size_t>(c)].store(dbf(F, 1e-7));
        metro[static_cast<std::size_t>(2 + c)].store(dbf(H, 1e-7));
    }
    const double v = std::sqrt(e / std::max(2 * n, 1));
    rms_[s] += 0.06 * (v - rms_[s]);
    metro[4].store(dbf(rms_[s], 1e-7));
    return finito;
}

void Catena::porta(float* l, float* r, int n, const Testa&) {
    const double g = portaGuadagno_;
    const auto lunghezza = static_cast<std::int32_t>(portaL_.size());
    const auto caselle = static_cast<std::int32_t>(portaPicchi_.size());
    for (int i = 0; i < n; ++i) {
        const double dL = portaL_[static_cast<std::size_t>(portaScrivi_)];
        const double dR = portaR_[static_cast<std::size_t>(portaScrivi_)];
        portaL_[static_cast<std::size_t>(portaScrivi_)] = l[i];
        portaR_[static_cast<std::size_t>(portaScrivi_)] = r[i];
        const float p = std::max(std::fabs(l[i]), std::fabs(r[i]));
        float& picco = portaPicchi_[static_cast<std::size_t>(portaCasella_)];
        if (p > picco) picco = p;
        if (portaConta_ >= 127) {
            portaCasella_ = portaCasella_ + 1 >= caselle ? 0 : portaCasella_ + 1;
            portaPicchi_[static_cast<std::size_t>(portaCasella_)] = 0;
            portaConta_ = 0;
        } else {
            ++portaConta_;
        }
        portaScrivi_ = portaScrivi_ + 1 >= lunghezza ? 0 : portaScrivi_ + 1;
        l[i] = static_cast<float>(g * dL);
        r[i] = static_cast<float>(g * dR);
    }
    double P = 0;
    for (float v : portaPicchi_) P = std::max(P, static_cast<double>(v));
    if (P < 1e-6 || cancSotto_) return;
    const double bersaglio = portaBersaglio.load(std::memory_order_relaxed);
    // A negative speed would let the gain sink at every block; it counts as no rise at all.
    const double velocita = std::max(portaVelocita.load(std::memory_order_relaxed), 0.0);
    const double sale = std::pow(10.0, (velocita * n / sr_) / 20);
    const double obiettivo = std::pow(10.0, (bersaglio - 20 * std::log10(P)) / 20);
    const double nuovo = (g * sale < obiettivo && obiettivo > g) ? g * sale : obiettivo;
    portaGuadagno_ = std::clamp(nuovo, 0.06, 100.0);
}

void Catena::finestra(float* l, float* r, int n, const Testa& t) {
    const Coefficienti& a = finestraFiltro_[0];
    const Coefficienti& b = finestraFiltro_[1];
    double* s = finestraStato_;  // x1 x2 y1 y2 of section 1, then of section 2
    double e = 0;
    for (int i = 0; i < n; ++i) {
        const double x = (static_cast<double>(l[i]) + r[i]) * 0.5;
        const double y = a.b0 * x + a.b1 * s[0] + a.b2 * s[1] - a.a1 * s[2] - a.a2 * s[3];
        s[1] = s[0], s[0] = x, s[3] = s[2], s[2] = y;
        const double z = b.b0 * y + b.b1 * s[4] + b.b2 * s[5] - b.a1 * s[6] - b.a2 * s[7];
        s[5] = s[4], s[4] = y, s[7] = s[6], s[6] = z;
        e += z * z;
    }
    // Keeps the weighting filters out of subnormal values in silence.
    if (std::fabs(s[0]) + std::fabs(s[1]) + std::fabs(s[2]) + std::fabs(s[3]) + std::fabs(s[4]) +
            std::fabs(s[5]) + std::fabs(s[6]) + std::fabs(s[7]) <
        1e-30)
        std::fill(s, s + 8, 0.0);
    const double m = e / std::max(n, 1);
    const double alfa = 1 - std::exp(-n / (0.4 * sr_));
    finestraMedia_ += alfa * (m - finestraMedia_);
    const double Lk = 10 * std::log10(std::max(finestraMedia_, 1e-12)) - 0.691;
    const double G = finestraGuadagno_;
    double voluto = G;
    if (Lk >= -60) {
        if (G + Lk < t.finestraMin)
            voluto = t.finestraMin - Lk;
        else if (G + Lk > t.finestraMax)
            voluto = t.finestraMax - Lk;
    }
    // A negative speed would walk the gain away from the window; it counts as a window that holds.
    const double passo = std::max(t.finestraVel, 0.0) * n / sr_;
    finestraGuadagno_ = std::clamp(G + std::clamp(voluto - G, -passo, passo), -40.0, 24.0);
    const double k = std::pow(10.0, finestraGuadagno_ / 20);
    for (int i = 0; i < n; ++i) {
        l[i] = static_cast<float>(l[i] * k);
        r[i] = static_cast<float>(r[i] * k);
    }
}

void Catena::pubblica(bool agcOn, bool mbOn, bool maxOn) {
    metroAgc.store(agcOn ? static_cast<float>(stadioAgc.guadagnoDb()) : 0.0f);
    for (int b = 0; b < 5; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const double g = stadioMb.guadagnoDb(b);
        const double livello = 10 * std::log10(std::max(stadioMb.potenza(b), 1e-20));
        metroBanda[i].store(mbOn ? static_cast<float>(g) : 0.0f);
        metroLivello[i].store(static_cast<float>(livello));
        metroUscita[i].store(static_cast<float>(livello + g + stadioMb.gai(b)));
    }
    metroFinale.store(maxOn ? static_cast<float>(stadioMax.limitatoreDb()) : 0.0f);
    metroTosatura.store(maxOn ? static_cast<float>(stadioMax.tosaturaDb()) : 0.0f);
    guadagnoPorta.store(portaGuadagno_, std::memory_order_relaxed);
    guadagnoFinestra.store(finestraGuadagno_, std::memory_order_relaxed);
}

void Catena::elabora(float* l, float* r, int n) {
    if (Istantanea* nuova = consegna_.adotta()) adotta(*nuova);
    const Istantanea* s = attuale_;
    if (n < 1) n = 0;

    const bool finito = misura(l, r, n, true);

    if (!acceso.load()) {
        if (!finito) silenzia(l, r, n);
        const auto p = static_cast<float>(pareggio);
        if (n >= 1 && std::fabs(p - 1.0f) > 1e-4f)
            for (int i = 0; i < n; ++i) l[i] *= p, r[i] *= p;
        misura(l, r, n, false);
        return;
    }

    const bool eqOn = interruttori[0].load(), agcOn = interruttori[1].load();
    const bool mbOn = interruttori[2].load(), maxOn = interruttori[3].load();
    if (!eqOn && !agcOn && !mbOn && !maxOn) {
        pareggio = 1;
        potenzaIn_ = potenzaOut_ = 0;
        if (!finito) silenzia(l, r, n);
        misura(l, r, n, false);
        return;
    }
    if (s == nullptr) {  // never happens after creation; keeps the frame total
        if (!finito) silenzia(l, r, n);
        misura(l, r, n, false);
        return;
    }
    const Testa& t = s->testa;

    double eIn = 0, sMid = 0;
    for (int i = 0; i < n; ++i) {
        const double a = l[i], b = r[i];
        eIn += a * a + b * b;
        const double m = (a + b) * 0.5;
        sMid += m * m;
    }
    // Non-finite input must not reach the filters: silence the offending samples. Normal blocks pay
    // only for the test of a sum the frame computes anyway.
    if (!std::isfinite(eIn)) {
        eIn = sMid = 0;
        silenzia(l, r, n);
        for (int i = 0; i < n; ++i) {
            const double a = l[i], b = r[i];
            eIn += a * a + b * b;
            const double m = (a + b) * 0.5;
            sMid += m * m;
        }
    }

    // Never-below detector.
    {
        const double m = sMid / std::max(n, 1);
        const double alfa = 1 - std::exp(-n / (std::max(t.cancMs * 0.001, 0.005) * sr_));
        cancMedia_ += alfa * (m - cancMedia_);
        const double livello = 10 * std::log10(std::max(cancMedia_, 1e-20));
        if (cancSotto_) {
            if (livello > t.canc + 3) cancSotto_ = false;
        } else if (livello < t.canc) {
            cancSotto_ = true;
        }
    }

    if (portaL_.size() >= 2) porta(l, r, n, t);
    if (t.finestraAccesa && !cancSotto_) finestra(l, r, n, t);

    if (n >= 1 && (t.pre < 0.9999 || t.pre > 1.0001)) {
        const auto p = static_cast<float>(t.pre);
        for (int i = 0; i < n; ++i) l[i] *= p, r[i] *= p;
    }

    stadioAgc.fermo = cancSotto_;
    stadioMb.fermo = cancSotto_;
    if (eqOn) stadioEq.process(l, r, n);
    if (agcOn) stadioAgc.process(l, r, n);
    if (mbOn) stadioMb.process(l, r, n);
    if (maxOn) stadioMax.process(l, r, n);

    double eOut = 0;
    for (int i = 0; i < n; ++i)
        eOut += static_cast<double>(l[i]) * l[i] + static_cast<double>(r[i]) * r[i];
    // A chain that produced a non-finite sample is reset and the block muted; it comes back clean
    // with the next block.
    if (!std::isfinite(eOut)) {
        std::fill(l, l + n, 0.0f);
        std::fill(r, r + n, 0.0f);
        azzeraTutto();
        ripristini.fetch_add(1, std::memory_order_relaxed);
        eOut = 0;
    }

    potenzaIn_ += 0.02 * (eIn - potenzaIn_);
    potenzaOut_ += 0.02 * (eOut - potenzaOut_);
    if (potenzaIn_ > 1e-12 && potenzaOut_ > 1e-12) {
        const double rapporto = std::clamp(std::sqrt(potenzaOut_ / potenzaIn_), 0.125, 8.0);
        pareggio += 0.05 * (rapporto - pareggio);
    }

    pubblica(agcOn, mbOn, maxOn);
    misura(l, r, n, false);
}

}  // namespace velmora
