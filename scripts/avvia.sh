#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it.
set -euo pipefail
radice="$(cd "$(dirname "$0")/.." && pwd)"
cd "$radice"
scripts/dipendenze.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -x build/ui/velmora ]; then
  exec build/ui/velmora "$@"
elif [ -x build/cli/live/velmora-live ]; then
  exec build/cli/live/velmora-live "$@"
else
  echo "Built. Engine tools are in build/."
fi
