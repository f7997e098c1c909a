#!/usr/bin/env bash
# Generates the GIF corpus for the giflib comparison, the fuzzer seeds and the
# decoder benchmark: still, GIF87a, interlaced, transparent, animated with
# frame offsets, local colour tables, every code size, and large noisy images
# that overflow the 4096-entry LZW table.
#   make-corpus.sh OUT_DIR [--bench]
set -euo pipefail
out=${1:?output folder}
bench=${2:-}
mkdir -p "$out"
cd "$out"
stamp=.done$bench
[ -f "$stamp" ] && exit 0
c() { convert "$@"; }

# Code sizes 2..8: 2, 4, 8, ... 256 colours.
for n in 2 4 8 16 32 64 128 256; do
  c -size 37x23 -seed $n plasma:fractal -colors $n "colours-$n.gif"
done
c -size 64x48 -seed 7 plasma:fractal -colors 200 still.gif
c -size 64x48 -seed 7 plasma:fractal -colors 200 gif87:still87.gif
# Interlaced at every small height, so that empty passes are met.
for h in 1 2 3 4 5 8 9 17; do
  c -size 13x$h -seed $h plasma:fractal -colors 16 -interlace GIF "interlaced-$h.gif"
done
c -size 120x90 -seed 3 plasma:fractal -colors 256 -interlace GIF interlaced-big.gif
c -size 50x50 xc:none -fill blue -draw 'circle 25 25 25 10' transparent.gif
# Frames smaller than the screen at their own offsets, with delays and disposal.
c -delay 20 -dispose background -size 60x40 xc:white \
  \( -size 20x10 xc:red -repage +5+5 \) \( -size 30x12 xc:blue -repage +25+20 \) anim-offsets.gif
# Each frame quantised alone keeps its own (local) colour table.
c -delay 0 -size 40x30 -seed 11 plasma:red-yellow -colors 64 \
  \( -size 40x30 -seed 12 plasma:blue-green -colors 32 \) \( -size 40x30 -seed 13 plasma:black-white -colors 8 \) \
  +remap local-tables.gif
c -delay 5 -size 32x32 xc:none -fill green -draw 'rectangle 4 4 20 20' \
  \( -size 32x32 xc:none -fill orange -draw 'circle 16 16 16 6' \) anim-transparent.gif
# More than 4096 codes: clear codes in the middle of the data.
c -size 200x150 xc: +noise Random -colors 256 noise-256.gif
c -size 180x120 xc: +noise Random -colors 4 noise-4.gif
c -size 1x1 xc:black tiny.gif

if [ "$bench" = --bench ]; then
  # Larger images for timing; kept out of the test corpus.
  for i in 1 2 3 4 5 6; do
    c -size 640x480 -seed $i plasma:fractal -colors 256 "bench-plasma-$i.gif"
  done
  c -size 800x600 xc: +noise Random -colors 256 bench-noise.gif
  c -size 800x600 xc: +noise Random -colors 256 -interlace GIF bench-noise-interlaced.gif
  c -size 1024x768 gradient:navy-gold -colors 64 bench-gradient.gif
  c -delay 4 -size 320x240 -seed 9 plasma:fractal plasma:fractal plasma:fractal plasma:fractal \
    plasma:fractal plasma:fractal plasma:fractal plasma:fractal -colors 128 bench-anim.gif
fi
touch "$stamp"
