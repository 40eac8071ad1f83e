#!/usr/bin/env bash
# Draws the two pictures of the page frame with ImageMagick: the banner
# (686 x 54, stretched to 680 x 54 on the pages) and the side picture
# (152 x 420), whose light upper part carries the version labels.  The
# JPEG files are kept in the repository; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 54x686 gradient:'#b9d2d6-#3f5f66' -rotate -90 \
  -fill 'rgba(255,255,255,0.18)' -draw 'circle 610,27 650,27' -draw 'circle 560,10 578,10' \
  -draw 'circle 520,50 530,50' \
  -fill '#ffffff' -draw 'rectangle 0,50 686,51' \
  -font DejaVu-Sans-Bold-Oblique -pointsize 24 -fill 'rgba(0,0,0,0.35)' -annotate +18+37 'Brimlund' \
  -fill '#ffffff' -annotate +16+35 'Brimlund' \
  -font DejaVu-Sans -pointsize 13 -fill '#eef6f7' -annotate +150+34 'Setup' \
  -strip -quality 90 banner.jpg
convert -size 152x420 gradient:'#f1f5f5-#51757d' \
  -fill 'rgba(255,255,255,0.20)' -draw 'circle 40,330 95,330' -draw 'circle 120,380 150,380' \
  -draw 'circle 110,260 125,260' \
  -fill 'rgba(81,117,125,0.25)' -draw 'rectangle 0,0 3,420' \
  -strip -quality 90 side.jpg
# The installer's icon (48, 32 and 16 pixels), for its Windows program.
convert -size 48x48 gradient:'#b9d2d6-#3f5f66' -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 34 \
  -gravity center -annotate +0+1 'B' -fill 'rgba(255,255,255,0.25)' -draw 'circle 38,10 44,10' \
  \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 16x16 \) setup.ico
