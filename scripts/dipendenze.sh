#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, test and run, when they are missing, and
# generates the Italian locale used by the locale tests. Safe to run again.
set -euo pipefail

pacchetti=(
  build-essential cmake ninja-build clang libclang-rt-dev pkg-config
  nlohmann-json3-dev libsndfile1-dev libebur128-dev libpipewire-0.3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqt6svg6-dev
  pipewire pipewire-bin wireplumber dbus
  xvfb xauth sox espeak-ng fluidsynth fluid-soundfont-gm jq bc locales
)

mancanti=()
for p in "${pacchetti[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || mancanti+=("$p")
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

if [ ${#mancanti[@]} -gt 0 ]; then
  echo "Installing: ${mancanti[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${mancanti[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^it_IT.utf-\?8$'; then
  grep -q '^it_IT.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'it_IT.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
