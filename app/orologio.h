// Time as the model sees it: the present, one-shot delayed tasks and a repeating beat. The real
// clock runs on Qt timers on the main thread; the manual clock moves only when told to, so tests
// can drive the poll, the watchdog, the notices and the advisor without sleeping.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace velmora {

// A repeating task: it stops when this object is destroyed.
class Battito {
  public:
    virtual ~Battito() = default;
};

class Orologio {
  public:
    virtual ~Orologio() = default;
    // Seconds since a fixed origin; never goes back.
    virtual double adesso() const = 0;
    // Runs `compito` once on the main thread, `secondi` from now, unless `contesto` (when given)
    // has been destroyed by then.
    virtual void dopo(double secondi, QObject* contesto, std::function<void()> compito) = 0;
    // Runs `compito` every `periodo` seconds until the returned object is destroyed.
    virtual std::unique_ptr<Battito> ripeti(double periodo, std::function<void()> compito) = 0;
};

// The wall of the running program: a monotonic clock and Qt timers on the calling thread.
class OrologioVero final : public Orologio {
  public:
    OrologioVero() { tempo_.start(); }
    double adesso() const override { return static_cast<double>(tempo_.nsecsElapsed()) * 1e-9; }
    void dopo(double secondi, QObject* contesto, std::function<void()> compito) override {
        const auto ms = static_cast<int>(std::lround(std::max(secondi, 0.0) * 1000.0));
        if (contesto != nullptr)
            QTimer::singleShot(ms, contesto, std::move(compito));
        else
            QTimer::singleShot(ms, std::move(compito));
    }
    std::unique_ptr<Battito> ripeti(double periodo, std::function<void()> compito) override {
        return std::make_unique<Ripetizione>(periodo, std::move(compito));
    }

  private:
    class Ripetizione final : public Battito {
      public:
        Ripetizione(double periodo, std::function<void()> compito) {
            timer_.setTimerType(Qt::PreciseTimer);
            timer_.setInterval(static_cast<int>(std::lround(periodo * 1000.0)));
            QObject::connect(&timer_, &QTimer::timeout, std::move(compito));
            timer_.start();
        }

      private:
        QTimer timer_;
    };
    QElapsedTimer tempo_;
};

// A clock that stands still until `avanza` moves it. Time is kept in whole microseconds so that
// repeated periods add up exactly.
class OrologioManuale final : public Orologio {
  public:
    double adesso() const override { return static_cast<double>(ora_) * 1e-6; }

    void dopo(double secondi, QObject* contesto, std::function<void()> compito) override {
        compiti_.push_back(
            {ora_ + micro(secondi), ordine_++, contesto != nullptr, contesto, std::move(compito)});
    }

    std::unique_ptr<Battito> ripeti(double periodo, std::function<void()> compito) override {
        auto r = std::make_shared<Ripetuto>();
        r->periodo = std::max<int64_t>(micro(periodo), 1);
        r->prossimo = ora_ + r->periodo;
        r->ordine = ordine_++;
        r->compito = std::move(compito);
        ripetuti_.push_back(r);
        return std::make_unique<Maniglia>(r);
    }

    // Moves the clock `secondi` forward, running every task that falls due on the way, each at
    // its own time and in time order (ties in the order they were scheduled).
    void avanza(double secondi) {
        const int64_t fine = ora_ + micro(secondi);
        for (;;) {
            int64_t quando = INT64_MAX;
            uint64_t ordine = UINT64_MAX;
            std::size_t qualeCompito = compiti_.size();
            std::shared_ptr<Ripetuto> qualeRipetuto;
            for (std::size_t i = 0; i < compiti_.size(); ++i) {
                const Compito& c = compiti_[i];
                if (c.quando < quando || (c.quando == quando && c.ordine < ordine)) {
                    quando = c.quando;
                    ordine = c.ordine;
                    qualeCompito = i;
                }
            }
            for (const auto& r : ripetuti_) {
                if (!r->vivo) continue;
                if (r->prossimo < quando || (r->prossimo == quando && r->ordine < ordine)) {
                    quando = r->prossimo;
                    ordine = r->ordine;
                    qualeRipetuto = r;
                    qualeCompito = compiti_.size();
                }
            }
            if (quando > fine) break;
            ora_ = quando;
            if (qualeRipetuto) {
                qualeRipetuto->prossimo += qualeRipetuto->periodo;
                auto compito = qualeRipetuto->compito;
                compito();
            } else {
                Compito c = std::move(compiti_[qualeCompito]);
                compiti_.erase(compiti_.begin() + static_cast<std::ptrdiff_t>(qualeCompito));
                if (!c.haContesto || c.contesto) c.compito();
            }
            std::erase_if(ripetuti_, [](const auto& r) { return !r->vivo; });
        }
        ora_ = fine;
    }

    // Tasks and beats still waiting.
    std::size_t inAttesa() const { return compiti_.size(); }
    std::size_t battiti() const {
        std::size_t n = 0;
        for (const auto& r : ripetuti_) n += r->vivo ? 1 : 0;
        return n;
    }

  private:
    static int64_t micro(double secondi) {
        return static_cast<int64_t>(std::llround(std::max(secondi, 0.0) * 1e6));
    }
    struct Compito {
        int64_t quando;
        uint64_t ordine;
        bool haContesto;
        QPointer<QObject> contesto;
        std::function<void()> compito;
    };
    struct Ripetuto {
        int64_t periodo = 1;
        int64_t prossimo = 0;
        uint64_t ordine = 0;
        bool vivo = true;
        std::function<void()> compito;
    };
    class Maniglia final : public Battito {
      public:
        explicit Maniglia(std::shared_ptr<Ripetuto> r) : r_(std::move(r)) {}
        ~Maniglia() override { r_->vivo = false; }

      private:
        std::shared_ptr<Ripetuto> r_;
    };

    int64_t ora_ = 0;
    uint64_t ordine_ = 0;
    std::vector<Compito> compiti_;
    std::vector<std::shared_ptr<Ripetuto>> ripetuti_;
};

}  // namespace velmora
