#!/bin/sh
# Draws the bitmaps of the log window and the settings dialog with ImageMagick. The
# PNGs are committed next to this script, so building needs no ImageMagick; run this
# again only after changing a drawing.
set -eu
cd "$(dirname "$0")"

. ../drawing.sh

# --- log levels: information, warning, error, verbose (image index = level) --------
dot() { # name, colour, letter
    icon "$1" -stroke none -fill "$2" -draw 'circle 7.5,7.5 7.5,0.5' \
        -fill white -font "$FONT" -pointsize 11 -gravity center -annotate +0+0 "$3"
}
dot IMG_LOG_INF '#2f6fd6' i
icon IMG_LOG_WRN -stroke none -fill '#e0a000' -draw 'polygon 7.5,0 15,15 0,15' \
    -fill black -font "$FONT" -pointsize 10 -gravity center -annotate +0+2 '!'
dot IMG_LOG_ERR '#c0392b' x
dot IMG_LOG_VER '#7a7a7a' v

# --- receiver profiles 1..10 ----------------------------------------------------------
for n in 1 2 3 4 5 6 7 8 9 10; do
    size=11
    [ "$n" = 10 ] && size=9
    icon "IMG_PROFILE_$n" -stroke none -fill '#2b3a4d' -draw 'roundrectangle 0,0 15,15 3,3' \
        -fill white -font "$FONT" -pointsize $size -gravity center -annotate +0+0 "$n"
done

# --- profile buttons: up, down, rename, add, delete -----------------------------------
icon IMG_BUTTON_UP -stroke none -fill '#2f6fd6' -draw 'polygon 8,2 14,9 10,9 10,14 6,14 6,9 2,9'
icon IMG_BUTTON_DOWN -stroke none -fill '#2f6fd6' -draw 'polygon 8,14 14,7 10,7 10,2 6,2 6,7 2,7'
icon IMG_BUTTON_RENAME -stroke none -fill '#555555' -draw 'polygon 2,14 3,10 11,2 14,5 6,13' \
    -fill '#e0a000' -draw 'polygon 4,11 11,4 12,5 5,12'
icon IMG_BUTTON_ADD -stroke none -fill '#2e9b4f' -draw 'rectangle 6,2 9,13' -draw 'rectangle 2,6 13,9'
icon IMG_BUTTON_DEL -stroke '#c0392b' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'
