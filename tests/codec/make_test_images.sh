#!/usr/bin/env bash
# Regenerates the pictures in data/ with ImageMagick. The decoders are tested against the raw
# source pixels (*.rgba, written by ImageMagick too), never against another decoder's output.
# Sizes are odd on purpose so that the last MCU row and column are partial. The PNG files carry
# their creation time, so a rerun changes them without changing their pixels.
set -euo pipefail
cd "$(dirname "$0")/data"
for tool in convert jpegtran; do
  command -v $tool >/dev/null || { echo "make_test_images: $tool is missing (imagemagick, libjpeg-turbo-progs)" >&2; exit 1; }
done

# A smooth colour picture (gradients and a soft disc) suits lossy compression; 61x37 pixels.
convert -size 61x37 gradient:'#d02010-#2040e0' \
        \( -size 61x37 gradient:'#ffff00-#00a0a0' -rotate 90 -resize 61x37\! \) -compose blend \
        -define compose:args=50 -composite \
        -fill '#30c040' -draw 'circle 30,18 30,8' -blur 0x1.2 -depth 8 -type TrueColor src.png
convert src.png -depth 8 rgb:src.rgb
opts=(-strip -quality 95)
convert src.png "${opts[@]}" -sampling-factor 1x1 baseline_444.jpg
convert src.png "${opts[@]}" -sampling-factor 2x1 baseline_422.jpg
convert src.png "${opts[@]}" -sampling-factor 2x2 baseline_420.jpg
convert src.png "${opts[@]}" -sampling-factor 1x2 baseline_440.jpg
convert src.png "${opts[@]}" -sampling-factor 4x1 baseline_411.jpg
convert src.png "${opts[@]}" -sampling-factor 2x2 -interlace JPEG progressive_420.jpg
convert src.png "${opts[@]}" -sampling-factor 1x1 -interlace JPEG progressive_444.jpg
# Restart intervals (jpegtran adds them without touching the coefficients).
jpegtran -restart 1B baseline_420.jpg > restart_420.jpg
jpegtran -restart 2B -progressive baseline_444.jpg > restart_progressive.jpg
# Sequential, one scan per component (non-interleaved), same coefficients as baseline_420.jpg.
printf '0;\n1;\n2;\n' > scans.txt
jpegtran -scans scans.txt baseline_420.jpg > sequential_scans.jpg
rm scans.txt
convert src.png "${opts[@]}" -colorspace CMYK cmyk.jpg
convert src.png -colorspace Gray -depth 8 gray:grey.gray
convert src.png "${opts[@]}" -colorspace Gray grey.jpg
convert src.png "${opts[@]}" -colorspace Gray -interlace JPEG grey_progressive.jpg

# Lossless formats: exact pixels. An RGBA source with a soft alpha ramp, 23x17.
convert -size 23x17 gradient:'#ff000000-#0000ffff' -fill '#20c02080' -draw 'rectangle 4,4 12,10' \
        -depth 8 -type TrueColorAlpha alpha_src.png
convert alpha_src.png -depth 8 rgba:alpha_src.rgba
convert alpha_src.png -define png:color-type=6 png_rgba8.png
convert alpha_src.png -define png:color-type=6 -interlace PNG png_rgba8_interlaced.png
convert alpha_src.png -depth 16 -define png:color-type=6 -define png:bit-depth=16 png_rgba16.png
convert src.png -define png:color-type=2 png_rgb8.png
convert src.png -depth 16 -define png:color-type=2 -define png:bit-depth=16 -interlace PNG png_rgb16_interlaced.png
convert src.png -colorspace Gray -define png:color-type=0 png_grey8.png
convert src.png -colorspace Gray -define png:color-type=4 -alpha set png_grey_alpha8.png
# Few colours: palettes, low bit depths and GIF.
convert src.png -colors 16 +dither -depth 8 -type TrueColor few_src.png
convert few_src.png -depth 8 rgb:few_src.rgb
convert few_src.png -define png:color-type=3 -define png:bit-depth=4 png_palette4.png
convert few_src.png -define png:color-type=3 -define png:bit-depth=8 -interlace PNG png_palette8_interlaced.png
convert few_src.png gif_87.gif
convert few_src.png -interlace GIF gif_interlaced.gif
convert -size 9x7 xc:black -fill white -draw 'point 1,1 point 3,2 point 8,6' -depth 1 \
        -define png:color-type=0 -define png:bit-depth=1 png_grey1.png
convert png_grey1.png -depth 8 gray:png_grey1.gray
# Transparency by index (tRNS on a palette, and GIF's transparent colour).
convert -size 13x11 xc:'#ff8000' -fill none -draw 'color 0,0 point' -fill '#0040ff' \
        -draw 'rectangle 3,3 9,7' -depth 8 key_src.png
convert key_src.png -depth 8 rgba:key_src.rgba
cp key_src.png png_palette_trns.png  # ImageMagick keeps it as a 2-bit palette with tRNS
convert key_src.png -define png:color-type=2 png_rgb_trns.png
convert key_src.png gif_transparent.gif
