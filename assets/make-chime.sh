#!/bin/sh
# Synthesises the default alarm, test.mp3: one bell-like strike (A5 with its fifth and
# second octave) that is loud within 2 ms, so its onset is easy to hear and to measure,
# then decays over ~0.9 s.
#
# The strike is followed by 300 ms of digital silence because some MCI players cut the
# last quarter second of a file; the silence is what they lose, not the chime.
#
# Needs sox and lame. The output is byte-for-byte repeatable: no dither (-D), fixed seeds
# (-R), no ReplayGain analysis and no ID3 tags.
#
# Usage: assets/make-chime.sh [output.mp3]   (default: test.mp3 beside this script)
set -eu

out=${1:-$(dirname "$0")/test.mp3}
rate=44100

# Three partials in three channels, mixed down with falling weights. The decay is an
# exponential (sox's logarithmic fade stretched over 3.3 s, roughly tau = 0.3 s), ended by
# a short linear fade so the tone reaches true zero before the silence.
sox -D -R -r "$rate" -c 3 -n -p synth 1.0 sine 880 sine 1320 sine 2640 |
  sox -D -R -p -t wav -b 16 -c 1 - \
    remix 1v0.5,2v0.3,3v0.15 \
    fade q 0.002 \
    fade l 0 3.3 3.3 \
    trim 0 0.9 \
    fade t 0 0.9 0.3 \
    pad 0 0.3 |
  lame --quiet --noreplaygain -m m -b 96 - "$out"
