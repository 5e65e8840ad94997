#!/bin/bash
# velmora-render from the outside: exit statuses, one-line errors, no output left by a failure,
# no progress bar when standard error is not a terminal, --quiet.
set -u
R="$1"
D=$(mktemp -d)
trap 'rm -rf "$D"' EXIT
falli=0
male() { echo "FAIL: $*"; falli=$((falli + 1)); }

sox -n -r 48000 -c 2 -b 16 "$D/in.wav" synth 2 pinknoise vol 0.3 || exit 1
printf '{"m_tet1": -12,' > "$D/rotto.json"

"$R" --help > "$D/aiuto" 2>&1 || male "--help exits non-zero"
grep -q "Usage: velmora-render" "$D/aiuto" || male "--help text"
"$R" --version | grep -q "^velmora-render [0-9]" || male "--version"

# Each bad call: status 2, exactly one line on standard error, no output file.
controlla_errore() {
    local atteso="$1"; shift
    rm -f "$D/out.wav"
    "$R" "$@" > "$D/o" 2> "$D/e"
    local st=$?
    [ "$st" -eq 2 ] || male "$* -> status $st"
    [ "$(wc -l < "$D/e")" -eq 1 ] || male "$* -> not one line: $(cat "$D/e")"
    grep -q -- "$atteso" "$D/e" || male "$* -> message lacks '$atteso': $(cat "$D/e")"
    [ ! -e "$D/out.wav" ] || male "$* -> output left behind"
    [ -z "$(ls -A "$D" | grep '^\.')" ] || male "$* -> temporary file left: $(ls -A "$D")"
}
controlla_errore "unknown option --loud" --loud "$D/in.wav" "$D/out.wav"
controlla_errore "manca.wav" "$D/manca.wav" "$D/out.wav"
controlla_errore "manca.json" --preset "$D/manca.json" "$D/in.wav" "$D/out.wav"
controlla_errore "not valid JSON" --preset "$D/rotto.json" "$D/in.wav" "$D/out.wav"
controlla_errore "not a number" --set m_tet1=forte "$D/in.wav" "$D/out.wav"
controlla_errore "INPUT and an OUTPUT" "$D/in.wav"

# A good run with standard error redirected: the report on standard output, nothing else.
"$R" --set zz_ignota=1 "$D/in.wav" "$D/out.wav" > "$D/o" 2> "$D/e" || male "render failed"
grep -q "loudness" "$D/o" || male "no report"
grep -q "real-time factor" "$D/o" || male "no real-time factor"
[ "$(cat "$D/e")" = "velmora-render: warning: --set zz_ignota: unknown key (kept)" ] ||
    male "standard error holds more than the warning: $(cat "$D/e")"
[ -s "$D/out.wav" ] || male "no output"

# --quiet: nothing on standard output; mono stays mono.
sox "$D/in.wav" -c 1 "$D/mono.flac"
"$R" --quiet --sound nessuno "$D/mono.flac" "$D/m.flac" 2> /dev/null && male "unknown sound accepted"
"$R" --quiet "$D/mono.flac" "$D/m.flac" > "$D/o" 2>&1 || male "mono render failed"
[ ! -s "$D/o" ] || male "--quiet printed: $(cat "$D/o")"
[ "$(soxi -c "$D/m.flac")" = 1 ] || male "mono came out with $(soxi -c "$D/m.flac") channels"

# A built-in sound by its English name.
"$R" --quiet --sound radio --report "$D/r.json" "$D/in.wav" "$D/out.wav" ||
    male "--sound radio failed"
grep -q '"mode": "broadcast"' "$D/r.json" || male "the Radio sound is not in broadcast mode"

# On a terminal the progress bar shows on standard error.
if command -v script > /dev/null; then
    sox -n -r 48000 -c 2 "$D/lungo.wav" synth 30 pinknoise vol 0.3
    script -q -e -c "'$R' '$D/lungo.wav' '$D/out.wav' > /dev/null" "$D/tty" > /dev/null 2>&1 ||
        male "render on a terminal failed"
    grep -q '\] 100%' "$D/tty" || male "no progress bar on a terminal"
fi

[ "$falli" -eq 0 ] && echo "all passed"
exit "$falli"
