// Hand-over of complete settings sets from the main thread to the audio thread.
//
// The main thread builds a whole object and publishes it; the audio thread adopts it at the start
// of a block and from then on owns it exclusively (it may swap buffers in and out of it). The
// object it replaces goes onto a small return ring and is destroyed later on the main thread, so
// the audio thread never frees memory. Neither side ever waits for the other.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>

namespace velmora {

template <class T, std::size_t Ritorni = 32>
class Consegna {
    static_assert(std::atomic<T*>::is_always_lock_free);
    static_assert(std::atomic<std::size_t>::is_always_lock_free);

  public:
    Consegna() = default;
    Consegna(const Consegna&) = delete;
    Consegna& operator=(const Consegna&) = delete;
    ~Consegna() { svuota(); }

    // Main thread. Publishes a new set; a set published earlier and not yet adopted is dropped.
    void pubblica(std::unique_ptr<T> nuovo) {
        raccogli();
        delete prossimo_.exchange(nuovo.release(), std::memory_order_acq_rel);
    }

    // Main thread. Destroys the sets the audio thread has given back.
    void raccogli() {
        std::size_t l = letti_.load(std::memory_order_relaxed);
        const std::size_t s = scritti_.load(std::memory_order_acquire);
        for (; l != s; ++l) {
            delete ritorni_[l % Ritorni];
            ritorni_[l % Ritorni] = nullptr;
        }
        letti_.store(l, std::memory_order_release);
    }

    // Audio thread, at the start of a block. Returns the newly adopted set, or nullptr when nothing
    // new was published (or when the return ring is full: the set then waits for the next block).
    T* adotta() {
        if (prossimo_.load(std::memory_order_relaxed) == nullptr) return nullptr;
        const std::size_t s = scritti_.load(std::memory_order_relaxed);
        if (s - letti_.load(std::memory_order_acquire) >= Ritorni) return nullptr;
        T* nuovo = prossimo_.exchange(nullptr, std::memory_order_acq_rel);
        if (nuovo == nullptr) return nullptr;
        if (corrente_ != nullptr) {
            ritorni_[s % Ritorni] = corrente_;
            scritti_.store(s + 1, std::memory_order_release);
        }
        corrente_ = nuovo;
        return nuovo;
    }

    // Audio thread (or any thread while no audio runs).
    T* corrente() const { return corrente_; }

    // Only while no audio runs: adopts at once whatever is pending and frees what came back.
    T* adottaSubito() {
        T* t = adotta();
        raccogli();
        return t ? t : corrente_;
    }

    // Only while no audio runs.
    void svuota() {
        raccogli();
        delete prossimo_.exchange(nullptr);
        delete corrente_;
        corrente_ = nullptr;
    }

  private:
    std::atomic<T*> prossimo_{nullptr};
    T* corrente_ = nullptr;
    std::array<T*, Ritorni> ritorni_{};
    std::atomic<std::size_t> scritti_{0};
    std::atomic<std::size_t> letti_{0};
};

}  // namespace velmora
