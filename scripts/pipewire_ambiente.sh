#!/usr/bin/env bash
# A private PipeWire + WirePlumber environment for the live-path tests, with a null sink named
# "fake_headphones" standing for the hardware output.
#
#   eval "$(scripts/pipewire_ambiente.sh avvia [DIR])"   # prints the exports to use
#   scripts/pipewire_ambiente.sh ferma DIR
#
# Everything lives under DIR (a fresh temporary folder by default): runtime, configuration and
# state folders, so the tests never meet a user's own audio server or remembered defaults.
set -euo pipefail

avvia() {
    local dir="${1:-}"
    if [[ -z "$dir" ]]; then dir="$(mktemp -d /tmp/velmora-pw.XXXXXX)"; fi
    mkdir -p "$dir/run" "$dir/config/pipewire/pipewire.conf.d" "$dir/state" "$dir/log"
    chmod 700 "$dir" "$dir/run"
    cat >"$dir/config/pipewire/pipewire.conf.d/fake_headphones.conf" <<'CONF'
context.objects = [
    {   factory = adapter
        args = {
            factory.name     = support.null-audio-sink
            node.name        = "fake_headphones"
            node.description = "fake_headphones"
            media.class      = Audio/Sink
            audio.position   = [ FL FR ]
            audio.rate       = 48000
            priority.session = 1000
            priority.driver  = 1000
            monitor.channel-volumes = true
            object.linger    = true
        }
    }
]
CONF
    export XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
    unset PIPEWIRE_REMOTE PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
    setsid dbus-run-session -- bash -c \
        'pipewire >"$0/log/pipewire.log" 2>&1 & sleep 0.5; wireplumber >"$0/log/wireplumber.log" 2>&1 & wait' \
        "$dir" >"$dir/log/dbus.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    # Ready when WirePlumber has chosen fake_headphones as the default sink.
    for _ in $(seq 1 100); do
        if wpctl inspect @DEFAULT_AUDIO_SINK@ 2>/dev/null | grep -q 'node.name = "fake_headphones"'; then
            echo "export XDG_RUNTIME_DIR='$dir/run' XDG_CONFIG_HOME='$dir/config' XDG_STATE_HOME='$dir/state' VELMORA_PW_DIR='$dir'"
            echo "unset PIPEWIRE_REMOTE PULSE_SERVER"
            return 0
        fi
        sleep 0.1
    done
    echo "the private PipeWire environment did not start; logs in $dir/log" >&2
    ferma "$dir"
    return 1
}

ferma() {
    local dir="${1:?the folder of the environment}"
    if [[ -f "$dir/pid" ]]; then
        local pid
        pid="$(cat "$dir/pid")"
        kill -TERM -- "-$pid" 2>/dev/null || true
        for _ in $(seq 1 30); do
            kill -0 -- "-$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL -- "-$pid" 2>/dev/null || true
    fi
    case "$dir" in
    /tmp/velmora-pw.*) rm -rf "$dir" ;;
    *) rm -f "$dir/pid" ;;
    esac
}

case "${1:-}" in
avvia | start) shift; avvia "$@" ;;
ferma | stop) shift; ferma "$@" ;;
*) echo "usage: $0 avvia [DIR] | ferma DIR" >&2; exit 2 ;;
esac
