#include "conta_allocazioni.h"

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<std::size_t> gAllocazioni{0}, gLiberazioni{0};
thread_local bool tSeguito = false;
inline void contaAlloc() {
    if (tSeguito) gAllocazioni.fetch_add(1, std::memory_order_relaxed);
}
inline void contaLibera(void* p) {
    if (tSeguito && p) gLiberazioni.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

namespace contaAllocazioni {
void segui(bool si) {
    tSeguito = si;
}
std::size_t allocazioni() {
    return gAllocazioni.load();
}
std::size_t liberazioni() {
    return gLiberazioni.load();
}
void azzera() {
    gAllocazioni.store(0);
    gLiberazioni.store(0);
}
}  // namespace contaAllocazioni

extern "C" {
void* malloc(std::size_t n) {
    contaAlloc();
    return __libc_malloc(n);
}
void* calloc(std::size_t a, std::size_t b) {
    contaAlloc();
    return __libc_calloc(a, b);
}
void* realloc(void* p, std::size_t n) {
    contaAlloc();
    return __libc_realloc(p, n);
}
void free(void* p) {
    contaLibera(p);
    __libc_free(p);
}
}

void* operator new(std::size_t n) {
    contaAlloc();
    if (void* p = __libc_malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    contaAlloc();
    return __libc_malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p) noexcept {
    contaLibera(p);
    __libc_free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}
