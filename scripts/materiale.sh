#!/bin/bash
# Makes the test material for velmora-render and the preset table into the folder given as the
# only argument. Everything is synthesised here; no audio is kept in the repository.
#
#   rumore-rosa.wav   pink noise, stereo, 20 s
#   musica.wav        a music-like mix (drums, bass, chords, lead) rendered by fluidsynth with a
#                     General MIDI soundfont from a MIDI file this script writes, 64 s
#   parlato.wav       speech from espeak-ng, English and Italian, mono
#   forte-piano.wav   30 s of the mix at full level, then 30 s of it 20 dB lower
#   musica.mid        the MIDI file behind the mix
#
# Needs: sox, fluidsynth, fluid-soundfont-gm, espeak-ng, perl. All files: 48 kHz float WAV.
set -euo pipefail
export LC_ALL=C

if [ $# -ne 1 ]; then
    echo "usage: $0 FOLDER" >&2
    exit 2
fi
D="$1"
mkdir -p "$D"
for p in sox fluidsynth espeak-ng perl; do
    command -v "$p" > /dev/null || { echo "$0: $p is missing" >&2; exit 1; }
done
SF2=""
for f in /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/sounds/sf2/default-GM.sf2; do
    [ -r "$f" ] && { SF2="$f"; break; }
done
[ -n "$SF2" ] || { echo "$0: no General MIDI soundfont (install fluid-soundfont-gm)" >&2; exit 1; }
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# --- Pink noise --------------------------------------------------------------------------------
# Left and right are two different stretches of one repeatable noise, so they are uncorrelated.
sox -q -V1 -R -n -r 48000 -c 1 -e floating-point -b 32 "$T/rosa.wav" synth 40 pinknoise vol 0.35
sox -q -V1 "$T/rosa.wav" "$T/sinistra.wav" trim 0 20
sox -q -V1 "$T/rosa.wav" "$T/destra.wav" trim 20 20
sox -q -V1 -M "$T/sinistra.wav" "$T/destra.wav" "$D/rumore-rosa.wav"

# --- The MIDI file -----------------------------------------------------------------------------
# 32 bars of 4/4 at 120 bpm, 480 ticks a beat, A minor, chords Am F C G. Bars 1-4 drums and
# bass, 5-8 add the chords, 9-24 the whole band with the lead, 25-28 a quieter break, 29-32
# the whole band again. Events are "tick order bytes" lines, sorted, then turned into a
# single-track (format 0) file.
awk -v seme=20261206 '
function evento(t, ordine, byte) { printf "%d %d %s\n", t, ordine, byte }
function nota(t, dur, canale, tono, forza) {
    evento(t, 1, sprintf("%02x %02x %02x", 144 + canale, tono, forza))
    evento(t + dur, 0, sprintf("%02x %02x 00", 128 + canale, tono))
}
function caso() { seme = (seme * 1103515245 + 12345) % 2147483648; return seme / 2147483648 }
BEGIN {
    Q = 480; B = 4 * Q
    evento(0, 0, "ff 51 03 07 a1 20")             # tempo: 500000 us a beat
    evento(0, 0, "c0 21"); evento(0, 0, "b0 07 7f")  # bass: electric bass (finger)
    evento(0, 0, "c1 00"); evento(0, 0, "b1 07 50")  # chords: acoustic grand piano
    evento(0, 0, "c2 30"); evento(0, 0, "b2 07 3c")  # pad: strings
    evento(0, 0, "c3 50"); evento(0, 0, "b3 07 46")  # lead: square lead
    evento(0, 0, "b9 07 6e")                         # drums
    split("33 29 36 31", radice)                     # A, F, C, G (bass, octave 1)
    split("57 60 64|53 57 60|48 52 55|55 59 62", accordi, "|")
    split("69 72 74 76 79 81", scala)                # A minor pentatonic for the lead
    for (bar = 0; bar < 32; bar++) {
        t0 = bar * B
        grado = bar % 4 + 1
        pausa = (bar >= 24 && bar < 28)
        tutto = (bar >= 8 && bar < 24) || bar >= 28
        # drums
        if (bar % 8 == 0) nota(t0, Q, 9, 49, 110)
        for (b = 0; b < 4; b++) {
            if (!pausa && (b == 0 || b == 2)) nota(t0 + b * Q, Q / 2, 9, 36, 118)
            if (!pausa && b == 3 && bar % 2) nota(t0 + b * Q + Q / 2, Q / 2, 9, 36, 96)
            if (b == 1 || b == 3) nota(t0 + b * Q, Q / 2, 9, pausa ? 37 : 38, pausa ? 70 : 112)
            for (h = 0; h < 2; h++)
                nota(t0 + b * Q + h * Q / 2, Q / 4, 9, 42, (pausa ? 60 : 85) + (h ? 0 : 20) + int(caso() * 12))
            if (tutto) nota(t0 + b * Q + Q / 2, Q / 4, 9, 54, 80 + int(caso() * 20))
        }
        # bass: eighths on the root, an octave jump on the last one
        for (e = 0; e < 8; e++) {
            tono = radice[grado] + (e == 7 ? 12 : 0)
            nota(t0 + e * Q / 2, Q / 2 - 20, 0, tono, (pausa ? 70 : 100) + int(caso() * 15))
        }
        # chords: piano on every beat, string pad held
        if (bar >= 4) {
            n = split(accordi[grado], a, " ")
            for (b = 0; b < 4; b++)
                for (k = 1; k <= n; k++) nota(t0 + b * Q, Q - 40, 1, a[k], (b == 0 ? 90 : 70) + int(caso() * 10))
            for (k = 1; k <= n; k++) nota(t0, B - 10, 2, a[k] - 12, pausa ? 60 : 80)
        }
        # lead: a wandering pentatonic line in eighths and quarters
        if (tutto) {
            t = t0
            while (t < t0 + B) {
                d = caso() < 0.6 ? Q / 2 : Q
                if (caso() < 0.85) nota(t, d - 15, 3, scala[1 + int(caso() * 6)], 85 + int(caso() * 30))
                t += d
            }
        }
    }
    evento(32 * B + 2 * Q, 2, "ff 2f 00")
}' | sort -n -k1,1 -k2,2 > "$T/eventi"

awk '
function vlq(v,   s, b) {
    s = sprintf("%02x", v % 128); v = int(v / 128)
    while (v > 0) { s = sprintf("%02x", v % 128 + 128) s; v = int(v / 128) }
    return s
}
{
    riga = vlq($1 - prima); prima = $1
    for (i = 3; i <= NF; i++) riga = riga $i
    traccia = traccia riga
}
END {
    n = length(traccia) / 2
    printf "4d546864000000060000000101e0"                   # MThd, format 0, one track, 480
    printf "4d54726b%08x%s", n, traccia
}' "$T/eventi" | perl -e 'local $/; print pack("H*", <STDIN>)' > "$D/musica.mid"

# --- The mix -----------------------------------------------------------------------------------
fluidsynth -n -i -q -r 48000 -g 0.4 -R 1 -C 1 -O float -T wav -F "$T/mix.wav" "$SF2" "$D/musica.mid" \
    > /dev/null 2>&1
# Peaks to -1 dBFS, as a mastered track would stand.
sox -q -V1 "$T/mix.wav" -e floating-point -b 32 "$D/musica.wav" trim 0 64 gain -n -1

# --- Speech ------------------------------------------------------------------------------------
espeak-ng -v en -s 155 -a 160 -w "$T/en.wav" "The processor listens to the whole programme \
and keeps it at one steady level. Quiet voices come forward, loud ones are held back, and \
nothing should sound squeezed. This is a test of speech: consonants, sibilants, and the \
pauses between sentences."
espeak-ng -v it -s 150 -a 160 -w "$T/it.wav" "Questa e' una prova della voce parlata. Le \
consonanti, le sibilanti e le pause fra una frase e l'altra devono restare naturali, senza \
pompaggio e senza rumore che sale nei silenzi."
sox -q -V1 "$T/en.wav" "$T/it.wav" -r 48000 -e floating-point -b 32 "$D/parlato.wav" gain -n -3

# --- A quiet passage after a loud one ----------------------------------------------------------
sox -q -V1 "$D/musica.wav" "$T/forte.wav" trim 0 30
sox -q -V1 "$D/musica.wav" "$T/piano.wav" trim 30 30 gain -20
sox -q -V1 "$T/forte.wav" "$T/piano.wav" -e floating-point -b 32 "$D/forte-piano.wav"

for f in rumore-rosa musica parlato forte-piano; do
    printf '%-16s %s\n' "$f.wav" "$(soxi -d "$D/$f.wav") $(soxi -c "$D/$f.wav") ch"
done
