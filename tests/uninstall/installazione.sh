#!/bin/sh
# Installs the build into a temporary prefix and runs the uninstaller's install test on it.
# Usage: installazione.sh BUILD_DIR TEST_BINARY
set -eu
prefisso=$(mktemp -d /tmp/velmora-prefisso.XXXXXX)
trap 'rm -rf "$prefisso"' EXIT
cmake --install "$1" --prefix "$prefisso" >/dev/null
VELMORA_PREFISSO_PROVA="$prefisso" "$2"
