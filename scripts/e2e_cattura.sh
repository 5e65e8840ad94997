#!/usr/bin/env bash
# End-to-end tests of the live path against a real PipeWire daemon and WirePlumber, in a fresh
# private environment (scripts/pipewire_ambiente.sh) with a null sink "fake_headphones" standing
# for the hardware output. Always tears the environment down; exits non-zero when a test fails.
#
#   scripts/e2e_cattura.sh [BUILD_DIR]     (default: $VELMORA_BUILD, else ./build)
set -uo pipefail

RADICE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-${VELMORA_BUILD:-$RADICE/build}}"
if ! BUILD="$(cd "$BUILD" 2>/dev/null && pwd)"; then
    echo "e2e_cattura: no build folder ${1:-${VELMORA_BUILD:-$RADICE/build}}" >&2
    exit 2
fi
trova() { find "$BUILD" -type f -name "$1" -perm -u+x 2>/dev/null | head -n 1; }
LIVE="$(trova velmora-live)"
MISURA="$(trova misura_ritardo)"
PROVA_PW="$(trova pipewire_test)"
if [[ -z "$LIVE" || -z "$MISURA" ]]; then
    echo "e2e_cattura: velmora-live and misura_ritardo must be built in $BUILD" >&2
    exit 2
fi

# The audio server, its tools and sox, installed when missing.
mancanti=()
for coppia in pipewire:pipewire wireplumber:wireplumber pw-play:pipewire-bin pw-record:pipewire-bin \
    pw-loopback:pipewire-bin pw-metadata:pipewire-bin pw-link:pipewire-bin wpctl:wireplumber \
    dbus-run-session:dbus sox:sox; do
    command -v "${coppia%%:*}" >/dev/null 2>&1 || mancanti+=("${coppia#*:}")
done
if ((${#mancanti[@]})); then
    if [[ $(id -u) -eq 0 ]]; then
        pacchetti=$(printf '%s\n' "${mancanti[@]}" | sort -u)
        # shellcheck disable=SC2086
        apt-get install -y --no-install-recommends $pacchetti >/dev/null ||
            { apt-get update >/dev/null && apt-get install -y --no-install-recommends $pacchetti >/dev/null; } ||
            { echo "e2e_cattura: could not install: $pacchetti" >&2; exit 2; }
    else
        echo "e2e_cattura: missing packages: ${mancanti[*]}" >&2
        exit 2
    fi
fi

LAVORO="$(mktemp -d /tmp/velmora-e2e.XXXXXX)"
AMBIENTE=""
PIDS=()
pulisci() {
    local p
    for p in "${PIDS[@]}"; do kill -KILL "$p" 2>/dev/null; done
    if [[ -n "$AMBIENTE" ]]; then "$RADICE/scripts/pipewire_ambiente.sh" ferma "$AMBIENTE"; fi
    rm -rf "$LAVORO"
}
trap pulisci EXIT
trap 'exit 130' INT TERM

if ! esportazioni="$("$RADICE/scripts/pipewire_ambiente.sh" avvia)"; then
    echo "e2e_cattura: the PipeWire environment did not start" >&2
    exit 1
fi
eval "$esportazioni"
AMBIENTE="$VELMORA_PW_DIR"
cd "$LAVORO" || exit 1

FALLITI=0
ok() { echo "PASS: $*"; }
ko() {
    echo "FAIL: $*"
    FALLITI=$((FALLITI + 1))
}

predefinito() { wpctl inspect @DEFAULT_AUDIO_SINK@ 2>/dev/null | sed -n 's/.*node\.name = "\(.*\)"/\1/p' | head -n 1; }
configurato() { pw-metadata 0 default.configured.audio.sink 2>/dev/null | sed -n "s/.*value:'\([^']*\)'.*/\1/p" | head -n 1; }
# Waits up to $2 seconds (tenths of a second) for the command $1 to succeed.
aspetta() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}
suona_su() { pw-link -l 2>/dev/null | grep -A2 "^pw-play:output_FL" | grep -q "|-> $1:"; }
picco() { sox "$1" -n stat 2>&1 | awk '/^Maximum amplitude/ {print $3}'; }
# Records $1 seconds of what reaches fake_headphones into $2.
registra() {
    pw-record --target fake_headphones "$2" &
    local r=$!
    sleep "$1"
    kill -INT "$r"
    wait "$r" 2>/dev/null
}
avvia_live() { # args...: starts velmora-live in the background, output in live.out
    "$LIVE" "$@" >live.out 2>&1 &
    VEL=$!
    PIDS+=("$VEL")
    aspetta '[[ "$(predefinito)" == Velmora ]]' 5
}
avvia_play() {
    pw-play "$1" &
    PLAY=$!
    PIDS+=("$PLAY")
}

# A preset whose whole effect is a known gain: +6 dB of input gain, every stage off but a flat
# equaliser, no gate delay, no programme window.
cat >guadagno6.json <<'JSON'
{ "e_on": 1, "a_on": 0, "m_on": 0, "x_on": 0, "g_pre": 6, "g_porta": 0, "f_on": 0,
  "g_canc": -200, "e_hp": 0, "e_lp": 0, "e_lsdb": 0, "e_b1db": 0, "e_b2db": 0, "e_b3db": 0,
  "e_hsdb": 0 }
JSON
sox -n -r 48000 -c 2 -b 16 tono.wav synth 2.5 sine 440 vol 0.1
sox -n -r 48000 -c 2 -b 16 lungo.wav synth 30 sine 440 vol 0.1
sox -n -r 48000 -c 2 -b 16 musica.wav synth 66 pinknoise tremolo 0.7 60 vol 0.5

echo "== the capture layer on a real server"
if [[ -n "$PROVA_PW" ]]; then
    if "$PROVA_PW" >pipewire_test.out 2>&1; then
        ok "pipewire_test: $(grep -c '^\[       OK' pipewire_test.out) tests"
    else
        grep -E '^\[  FAILED|Failure' -A3 pipewire_test.out | head -n 30
        ko "pipewire_test"
    fi
else
    ko "pipewire_test is not built in $BUILD"
fi

echo "== the device list"
elenco="$("$LIVE" --list-outputs)"
if grep -qx fake_headphones <<<"$elenco" && ! grep -q '^Velmora' <<<"$elenco"; then
    ok "--list-outputs lists fake_headphones and not Velmora"
else
    ko "--list-outputs gave: $elenco"
fi

echo "== a tone from an ordinary client, processed"
registra 3.2 rif.wav &
REG=$!
sleep 0.3
pw-play tono.wav
wait "$REG"
rif="$(picco rif.wav)"
if avvia_live --preset guadagno6.json; then
    sed -n 's/^uscita: /in use: /p' live.out
    elenco="$("$LIVE" --list-outputs)"
    if grep -qx fake_headphones <<<"$elenco" && ! grep -q '^Velmora' <<<"$elenco"; then
        ok "--list-outputs during capture lists fake_headphones and not Velmora"
    else
        ko "--list-outputs during capture gave: $elenco"
    fi
    "$LIVE" --seconds 1 >secondo.out 2>&1
    rc=$?
    if [[ $rc -eq 1 ]] && grep -q "C'e' gia' un altro Velmora aperto" secondo.out; then
        ok "a second velmora-live refuses with the another-copy message and status 1"
    else
        ko "a second velmora-live: status $rc, $(cat secondo.out)"
    fi
    registra 3.2 vel.wav &
    REG=$!
    sleep 0.3
    pw-play tono.wav
    wait "$REG"
    vel="$(picco vel.wav)"
    db="$(awk -v a="$vel" -v b="$rif" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", 20 * log(a / b) / log(10); else print "nan" }')"
    echo "peak direct $rif, through Velmora $vel: $db dB"
    if awk -v d="$db" 'BEGIN { exit !(d + 0 > 5.7 && d + 0 < 6.3) }'; then
        ok "the tone reaches fake_headphones processed (+6 dB), not also unprocessed"
    else
        ko "the tone through Velmora changed by $db dB instead of +6"
    fi
    kill -INT "$VEL"
    wait "$VEL"
else
    ko "velmora-live did not become the default sink: $(cat live.out)"
    kill -KILL "$VEL" 2>/dev/null
fi

for segnale in INT TERM; do
    echo "== stop with SIG$segnale"
    # With SIGTERM the previous default is an explicit choice, which must come back as it was.
    if [[ $segnale == TERM ]]; then
        pw-metadata 0 default.configured.audio.sink '{ "name": "fake_headphones" }' Spa:String:JSON >/dev/null
    fi
    prima="$(configurato)"
    if ! avvia_live; then
        ko "SIG$segnale: velmora-live did not start: $(cat live.out)"
        kill -KILL "$VEL" 2>/dev/null
        continue
    fi
    avvia_play lungo.wav
    if ! aspetta 'suona_su Velmora' 3; then ko "SIG$segnale: pw-play did not go to Velmora"; fi
    kill "-$segnale" "$VEL"
    wait "$VEL"
    rc=$?
    aspetta '[[ "$(predefinito)" == fake_headphones ]]' 2
    dopo="$(configurato)"
    if [[ $rc -eq 0 && "$(predefinito)" == fake_headphones && "$dopo" == "$prima" ]]; then
        ok "SIG$segnale: clean stop (status 0), default sink and configured default restored"
    else
        ko "SIG$segnale: status $rc, default '$(predefinito)', configured '$dopo' (was '$prima')"
    fi
    if kill -0 "$PLAY" 2>/dev/null && aspetta 'suona_su fake_headphones' 2; then
        registra 1 dopo.wav
        p="$(picco dopo.wav)"
        if awk -v p="$p" 'BEGIN { exit !(p > 0.09 && p < 0.11) }'; then
            ok "SIG$segnale: the client keeps playing on fake_headphones (peak $p)"
        else
            ko "SIG$segnale: after the stop fake_headphones peaks at $p, not the client's 0.1"
        fi
    else
        ko "SIG$segnale: the client is not playing on fake_headphones after the stop"
    fi
    kill "$PLAY" 2>/dev/null
    wait "$PLAY" 2>/dev/null
done
pw-metadata -d 0 default.configured.audio.sink >/dev/null

echo "== kill -9"
if avvia_live --preset guadagno6.json; then
    avvia_play lungo.wav
    aspetta 'suona_su Velmora' 3
    sleep 0.5
    kill -KILL "$VEL"
    wait "$VEL" 2>/dev/null
    inizio=$(date +%s%N)
    if aspetta 'suona_su fake_headphones' 2; then
        ms=$((($(date +%s%N) - inizio) / 1000000))
        registra 1 morto.wav
        p="$(picco morto.wav)"
        if awk -v p="$p" 'BEGIN { exit !(p > 0.09 && p < 0.11) }'; then
            ok "after kill -9 the client plays on fake_headphones again within ${ms} ms, unprocessed (peak $p)"
        else
            ko "after kill -9 fake_headphones peaks at $p, not the client's unprocessed 0.1"
        fi
    else
        ko "after kill -9 the client did not come back to fake_headphones within 2 s"
    fi
    kill "$PLAY" 2>/dev/null
    wait "$PLAY" 2>/dev/null
else
    ko "kill -9: velmora-live did not start: $(cat live.out)"
fi
# The next copy starts cleanly after a killed one.
pw-metadata -d 0 default.configured.audio.sink >/dev/null
aspetta '[[ "$(predefinito)" == fake_headphones ]]' 2

echo "== test tone"
if avvia_live --tone --seconds 3; then
    registra 1 tono_vel.wav
    wait "$VEL"
    p="$(picco tono_vel.wav)"
    riga="$(grep '^anello:' live.out)"
    if awk -v p="$p" 'BEGIN { exit !(p > 0.24 && p < 0.26) }' && grep -q 'trabocchi 0,' <<<"$riga"; then
        ok "--tone plays the 1000 Hz tone at 0.25 on fake_headphones (peak $p), ring never overflows"
    else
        ko "--tone: peak $p, $riga"
    fi
else
    ko "--tone: velmora-live did not start: $(cat live.out)"
fi

echo "== added latency"
ritardo() { "$MISURA" --secondi 3 | tee -a ritardi.txt | sed -n 's/.*mediana \(-\{0,1\}[0-9]*\).*quanto \([0-9]*\).*/\1 \2/p'; }
v=""
if avvia_live --preset guadagno6.json; then
    read -r v quanto < <(ritardo)
    kill -INT "$VEL"
    wait "$VEL"
fi
pw-loopback --capture-props='media.class=Audio/Sink node.name=e2e_loopback node.description=e2e_loopback' \
    --playback-props='target.object=fake_headphones node.dont-reconnect=true' >/dev/null 2>&1 &
LOOP=$!
PIDS+=("$LOOP")
aspetta 'pw-link -l 2>/dev/null | grep -q "^e2e_loopback"' 3
pw-metadata 0 default.configured.audio.sink '{ "name": "e2e_loopback" }' Spa:String:JSON >/dev/null
aspetta '[[ "$(predefinito)" == e2e_loopback ]]' 3
read -r l _ < <(ritardo)
kill -INT "$LOOP"
wait "$LOOP" 2>/dev/null
pw-metadata -d 0 default.configured.audio.sink >/dev/null
aspetta '[[ "$(predefinito)" == fake_headphones ]]' 2
echo "added latency: Velmora ${v:-?} frames, pw-loopback ${l:-?} frames (quantum ${quanto:-?})"
if [[ -n "$v" && -n "$l" && -n "${quanto:-}" ]] && ((v <= l + quanto)); then
    ok "Velmora adds at most one quantum beyond pw-loopback (${v} vs ${l}, quantum ${quanto})"
else
    ko "latency: Velmora '${v}', pw-loopback '${l}', quantum '${quanto:-}'"
fi

echo "== 60 seconds of music-like input"
avvia_play musica.wav
aspetta 'suona_su fake_headphones' 3
if avvia_live --seconds 61; then
    aspetta 'suona_su Velmora' 3 || ko "60 s: the playing client did not move to Velmora"
    wait "$VEL"
    rc=$?
    riga="$(grep '^anello:' live.out)"
    echo "$riga"
    if [[ $rc -eq 0 ]] && grep -q 'dopo il primo secondo: trabocchi 0, ammanchi 0' <<<"$riga"; then
        ok "60 s run: no ring overflow or underflow after the first second"
    else
        ko "60 s run: status $rc, $riga"
    fi
else
    ko "60 s run: velmora-live did not start: $(cat live.out)"
fi
kill "$PLAY" 2>/dev/null
wait "$PLAY" 2>/dev/null

if ((FALLITI)); then
    echo "e2e_cattura: $FALLITI check(s) failed"
    exit 1
fi
echo "e2e_cattura: all checks passed"
