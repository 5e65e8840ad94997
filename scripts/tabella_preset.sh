#!/bin/bash
# Renders every preset in presets/ over the test material with velmora-render and writes the
# measured figures as markdown tables to docs/preset.md.
#
#   scripts/tabella_preset.sh [--render PROGRAM] [--material FOLDER] [--out FILE]
#
# PROGRAM: velmora-render (default: $VELMORA_RENDER, else the newest one in a build folder).
# FOLDER:  the material from scripts/materiale.sh (default: made afresh in a temporary folder).
# Needs: jq, bc, sox, and what scripts/materiale.sh needs.
set -euo pipefail
export LC_ALL=C

QUI=$(cd "$(dirname "$0")/.." && pwd)
RENDER="${VELMORA_RENDER:-}"
MATERIALE=""
USCITA="$QUI/docs/preset.md"
while [ $# -gt 0 ]; do
    case "$1" in
        --render) RENDER="$2"; shift 2 ;;
        --material) MATERIALE="$2"; shift 2 ;;
        --out) USCITA="$2"; shift 2 ;;
        *) echo "usage: $0 [--render PROGRAM] [--material FOLDER] [--out FILE]" >&2; exit 2 ;;
    esac
done
if [ -z "$RENDER" ]; then
    RENDER=$(ls -t "$QUI"/build*/cli/render/velmora-render 2> /dev/null | head -1 || true)
fi
[ -x "$RENDER" ] || { echo "$0: velmora-render not found (use --render)" >&2; exit 1; }
for p in jq bc sox; do
    command -v "$p" > /dev/null || { echo "$0: $p is missing" >&2; exit 1; }
done

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
if [ -z "$MATERIALE" ]; then
    MATERIALE="$T/materiale"
    "$QUI/scripts/materiale.sh" "$MATERIALE" > /dev/null
fi
MATERIE=(musica forte-piano parlato rumore-rosa)
for m in "${MATERIE[@]}"; do
    [ -r "$MATERIALE/$m.wav" ] || { echo "$0: $MATERIALE/$m.wav is missing" >&2; exit 1; }
done
shopt -s nullglob
# The stock preset first, then the sounds in their order.
PRESET=()
[ -r "$QUI/presets/TERVANE-OSTREL.json" ] && PRESET+=("$QUI/presets/TERVANE-OSTREL.json")
for p in "$QUI"/presets/*.json; do
    [ "$(basename "$p")" = TERVANE-OSTREL.json ] || PRESET+=("$p")
done
[ ${#PRESET[@]} -gt 0 ] || { echo "$0: no presets in $QUI/presets" >&2; exit 1; }

# Integrated loudness of a file, measured by velmora-render with every stage off (which passes
# the audio through untouched).
lufs() {
    "$RENDER" --quiet --set e_on=0 --set a_on=0 --set m_on=0 --set x_on=0 \
        --report "$T/l.json" "$1" "$T/l.wav"
    jq -r '.loudness.input.integrated_lufs // "-inf"' "$T/l.json"
}
# One figure of a report with one decimal; a dash when there is none.
f1() {
    local v
    v=$(jq -r "$1 // \"null\"" "$2")
    case "$v" in
        null) echo "–" ;;
        *) d1 "$v" ;;
    esac
}
d1() { printf '%.1f' "$1" | sed 's/^-\(0\.0\)$/\1/'; }

SONORITA="$T/sonorita"
RIDUZIONI="$T/riduzioni"
: > "$SONORITA"
: > "$RIDUZIONI"
for p in "${PRESET[@]}"; do
    nome=$(basename "$p" .json)
    for m in "${MATERIE[@]}"; do
        r="$T/$nome-$m.json"
        "$RENDER" --quiet --preset "$p" --report "$r" "$MATERIALE/$m.wav" "$T/out.wav" 2> "$T/err" ||
            { cat "$T/err" >&2; exit 1; }
        salto="–"
        if [ "$m" = forte-piano ]; then
            # Loud half against quiet half, before and after.
            sox -q -V1 "$MATERIALE/$m.wav" "$T/a.wav" trim 0 30
            sox -q -V1 "$MATERIALE/$m.wav" "$T/b.wav" trim 30 30
            sox -q -V1 "$T/out.wav" "$T/c.wav" trim 0 30
            sox -q -V1 "$T/out.wav" "$T/d.wav" trim 30 30
            salto="$(d1 "$(echo "$(lufs "$T/a.wav") - $(lufs "$T/b.wav")" | bc -l)") → $(d1 "$(
                echo "$(lufs "$T/c.wav") - $(lufs "$T/d.wav")" | bc -l)")"
        fi
        printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$nome" "$m" \
            "$(f1 .loudness.input.integrated_lufs "$r")" "$(f1 .loudness.output.integrated_lufs "$r")" \
            "$(f1 .loudness.input.loudness_range_lu "$r")" "$(f1 .loudness.output.loudness_range_lu "$r")" \
            "$salto" "$(f1 .loudness.output.true_peak_dbtp "$r")" \
            "$(f1 .loudness.output.sample_peak_dbfs "$r")" \
            "$(printf '%.4f' "$(jq -r .real_time_factor "$r")")" >> "$SONORITA"
        bande=""
        for b in 0 1 2 3 4; do
            bande="$bande | $(f1 ".bands[$b].mean_db" "$r") / $(f1 ".bands[$b].deepest_db" "$r")"
        done
        printf '| %s | %s | %s … %s%s | %s | %s |\n' "$nome" "$m" \
            "$(f1 .leveller_gain_db.min "$r")" "$(f1 .leveller_gain_db.max "$r")" "$bande" \
            "$(f1 .final_limiter_deepest_db "$r")" "$(f1 .clipper_deepest_db "$r")" >> "$RIDUZIONI"
    done
done

versione=$("$RENDER" --version)
commit=$(git -C "$QUI" rev-parse --short HEAD 2> /dev/null || echo "?")
if ! git -C "$QUI" diff --quiet HEAD -- presets 2> /dev/null; then
    commit="$commit (presets not yet committed)"
fi
{
    echo "# Preset measurements"
    echo
    echo "Measured by \`scripts/tabella_preset.sh\` with $versione at commit $commit over the"
    echo "material of \`scripts/materiale.sh\`: \`musica\` (a General MIDI mix, 64 s), \`forte-piano\`"
    echo "(30 s of it at full level, then 30 s 20 dB lower), \`parlato\` (speech, mono) and"
    echo "\`rumore-rosa\` (pink noise). Each preset is rendered as it stands, in the mode it holds."
    echo
    echo "## Loudness"
    echo
    echo "Integrated loudness (LUFS) and loudness range (LU) of input and output; for \`forte-piano\`,"
    echo "how much louder the loud half is than the quiet half, before → after (LU); output true peak"
    echo "(dBTP) and sample peak (dBFS); real-time factor (processing time / duration)."
    echo
    echo "| preset | material | in LUFS | out LUFS | in LRA | out LRA | loud − quiet | out dBTP | out dBFS | RTF |"
    echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"
    cat "$SONORITA"
    echo
    echo "## Gain reduction"
    echo
    echo "Leveller gain range; each band's mean / deepest gain; the final limiter's and the clipper's"
    echo "deepest reduction. All in dB, read after every 512-frame block."
    echo
    echo "| preset | material | leveller | band 1 | band 2 | band 3 | band 4 | band 5 | limiter | clipper |"
    echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"
    cat "$RIDUZIONI"
} > "$T/preset.md"
mkdir -p "$(dirname "$USCITA")"
mv "$T/preset.md" "$USCITA"
echo "written $USCITA"
