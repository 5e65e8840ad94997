#!/usr/bin/env bash
# Runs every test of Velmora on a fresh Debian machine: installs what is missing, builds with
# warnings as errors, runs the unit tests, the concurrency tests under ThreadSanitizer, the preset
# fuzzer for a bounded time and the PipeWire end-to-end tests. Ends with one summary line.
set -uo pipefail
radice="$(cd "$(dirname "$0")/.." && pwd)"
cd "$radice"

"$radice/scripts/dipendenze.sh" || { echo "could not install the dependencies"; exit 1; }

passati=0
falliti=0
fallimenti=()

conta_ctest() {  # $1: log file, $2: name of the run
  local riga
  riga=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$riga" ]; then
    falliti=$((falliti + 1)); fallimenti+=("$2: no test ran"); return
  fi
  local totale fall
  totale=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$riga")
  fall=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$riga")
  passati=$((passati + totale - fall))
  falliti=$((falliti + fall))
  [ "$fall" -gt 0 ] && fallimenti+=("$2: $fall failed")
}

passo() { echo; echo "=== $* ==="; }

# 1. Normal build and unit tests.
passo "build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON >/dev/null \
  && cmake --build build || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

passo "unit tests"
ctest --test-dir build --output-on-failure -j2 -LE e2e --timeout 600 2>&1 | tee build/ctest.log
conta_ctest build/ctest.log "unit tests"

# 2. Concurrency tests under ThreadSanitizer.
passo "ThreadSanitizer"
if cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TSAN=ON \
     -DVELMORA_APP=OFF -DVELMORA_BENCH=OFF >/dev/null && cmake --build build-tsan; then
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -L concorrenza --timeout 600 2>&1 | tee build-tsan/ctest.log
  conta_ctest build-tsan/ctest.log "ThreadSanitizer"
else
  falliti=$((falliti + 1)); fallimenti+=("ThreadSanitizer build")
fi

# 3. Preset fuzzer, bounded in time.
passo "fuzzer"
if CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DVELMORA_FUZZ=ON -DVELMORA_APP=OFF -DVELMORA_BENCH=OFF >/dev/null \
   && cmake --build build-fuzz --target fuzz_preset; then
  rm -rf build-fuzz/corpus && mkdir -p build-fuzz/corpus
  if build-fuzz/tests/fuzz/fuzz_preset -max_total_time="${VELMORA_FUZZ_SECONDI:-45}" -rss_limit_mb=2048 \
       -print_final_stats=1 build-fuzz/corpus tests/fuzz/corpus >build-fuzz/fuzz.log 2>&1; then
    passati=$((passati + 1)); tail -n 4 build-fuzz/fuzz.log
  else
    falliti=$((falliti + 1)); fallimenti+=("fuzzer"); tail -n 40 build-fuzz/fuzz.log
  fi
else
  falliti=$((falliti + 1)); fallimenti+=("fuzzer build")
fi

# 4. End-to-end tests, each against its own private PipeWire server (label e2e).
passo "PipeWire end-to-end"
ctest --test-dir build --output-on-failure -L e2e --timeout 600 2>&1 | tee build/ctest-e2e.log
conta_ctest build/ctest-e2e.log "PipeWire end-to-end"

echo
for f in "${fallimenti[@]}"; do echo "FAILED: $f"; done
echo "velmora: $passati passed, $falliti failed"
[ "$falliti" -eq 0 ]
