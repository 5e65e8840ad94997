// Counts heap allocations made by the threads that ask for it (replaced operator new and malloc).
#pragma once

#include <cstddef>

namespace contaAllocazioni {
// Starts or stops counting on the calling thread.
void segui(bool si);
// Allocations (and frees) counted on any following thread since the last azzera.
std::size_t allocazioni();
std::size_t liberazioni();
void azzera();
}  // namespace contaAllocazioni
