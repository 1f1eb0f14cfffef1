#!/bin/sh
# Draws the bitmaps of the main window, the channel tree and the splash window with
# ImageMagick. The PNGs are committed next to this script, so building needs no
# ImageMagick; run this again only after changing a drawing.
set -eu
cd "$(dirname "$0")"

. ../drawing.sh

# --- tree: folders (closed / open) with a coloured emblem per branch ----------------
folder_closed() { # name, emblem colour
    icon "$1" -stroke '#8a6d1c' -fill '#f2c94c' -draw 'roundrectangle 1,4 14,13 1,1' \
        -fill '#e0b23a' -draw 'polygon 1,4 1,3 6,3 7,4' \
        -stroke none -fill "$2" -draw 'circle 11,10 13,10'
}
folder_open() {
    icon "$1" -stroke '#8a6d1c' -fill '#e0b23a' -draw 'roundrectangle 1,3 13,13 1,1' \
        -fill '#f7dc84' -draw 'polygon 1,13 4,7 15,7 12,13' \
        -stroke none -fill "$2" -draw 'circle 10,10 12,10'
}
TV='#2f6fd6'
RA='#2e9b4f'
HD='#c0392b'
folder_closed IMG_TREE_TV_C "$TV"
folder_closed IMG_TREE_RA_C "$RA"
folder_closed IMG_TREE_HD_C "$HD"
folder_open IMG_TREE_TV_O "$TV"
folder_open IMG_TREE_RA_O "$RA"
folder_open IMG_TREE_HD_O "$HD"

# A television set, a radio with its antenna, a hard disk, a marker line.
icon IMG_TREE_TV -stroke '#333333' -fill '#555555' -draw 'roundrectangle 1,2 14,12 1,1' \
    -stroke none -fill "$TV" -draw 'rectangle 3,4 12,10' -fill '#9cc3ff' -draw 'rectangle 4,5 6,6' \
    -fill '#333333' -draw 'rectangle 6,13 9,14' -draw 'rectangle 4,14 11,14'
icon IMG_TREE_RA -stroke '#333333' -draw 'line 4,5 10,1' -fill '#3a3a3a' \
    -draw 'roundrectangle 1,5 14,14 1,1' -stroke none -fill "$RA" -draw 'circle 5,10 7,10' \
    -fill '#cfcfcf' -draw 'rectangle 9,7 12,8' -draw 'rectangle 9,10 12,10' -draw 'rectangle 9,12 12,12'
icon IMG_TREE_HD -stroke '#404040' -fill '#a8a8a8' -draw 'roundrectangle 1,3 14,13 1,1' \
    -stroke '#606060' -fill '#d8d8d8' -draw 'circle 7,8 11,8' -stroke none -fill '#404040' \
    -draw 'circle 7,8 8,8' -fill "$HD" -draw 'rectangle 12,11 13,12'
icon IMG_TREE_MARKER -stroke none -fill '#7a7a7a' -draw 'rectangle 1,7 14,8' \
    -fill '#e67e22' -draw 'polygon 5,3 11,3 11,12 8,10 5,12'

# --- tool bar ------------------------------------------------------------------------
DARK='#2b2b2b'
icon IMG_TOOL_LOGGER -stroke '#555555' -fill white -draw 'rectangle 2,1 13,14' \
    -stroke '#2f6fd6' -draw 'line 4,4 11,4' -draw 'line 4,7 11,7' -draw 'line 4,10 9,10' \
    -stroke '#c0392b' -draw 'line 4,12 7,12'
icon IMG_TOOL_REW -stroke none -fill "$DARK" -draw 'polygon 1,8 8,3 8,13' -draw 'polygon 7,8 14,3 14,13'
icon IMG_TOOL_FWD -stroke none -fill "$DARK" -draw 'polygon 1,3 8,8 1,13' -draw 'polygon 7,3 14,8 7,13'
icon IMG_TOOL_PLAY_PAUSE -stroke none -fill '#2e9b4f' -draw 'polygon 1,2 8,8 1,14' \
    -fill "$DARK" -draw 'rectangle 10,3 11,13' -draw 'rectangle 13,3 14,13'
icon IMG_TOOL_STOP -stroke none -fill "$DARK" -draw 'roundrectangle 3,3 12,12 1,1'
icon IMG_TOOL_RECORD -stroke '#7d1f15' -fill '#e03b2b' -draw 'circle 7,7 12,7' \
    -stroke none -fill '#f5a49b' -draw 'circle 5,5 6,5'
icon IMG_TOOL_FULLSCREEN -stroke "$DARK" -fill none -draw 'rectangle 3,4 12,11' \
    -stroke none -fill "$DARK" -draw 'polygon 0,0 5,0 0,5' -draw 'polygon 15,0 10,0 15,5' \
    -draw 'polygon 0,15 5,15 0,10' -draw 'polygon 15,15 10,15 15,10'
icon IMG_TOOL_STANDALONE -stroke "$DARK" -fill white -draw 'rectangle 1,2 14,13' \
    -stroke none -fill "$TV" -draw 'rectangle 2,3 13,5' -fill "$DARK" -draw 'rectangle 3,7 12,11'
icon IMG_TOOL_WALLPAPER -stroke "$DARK" -fill '#5a9e3a' -draw 'rectangle 1,1 14,11' \
    -stroke none -fill '#9fd3ff' -draw 'rectangle 2,2 13,6' -fill "$DARK" -draw 'rectangle 6,12 9,13' \
    -draw 'rectangle 4,14 11,14' -fill white -draw 'rectangle 9,7 12,10'
icon IMG_TOOL_CHANNELEPG -stroke "$DARK" -fill white -draw 'rectangle 1,2 14,14' \
    -stroke none -fill '#c0392b' -draw 'rectangle 1,2 14,5' -fill "$DARK" \
    -draw 'rectangle 3,7 5,8' -draw 'rectangle 7,7 9,8' -draw 'rectangle 11,7 12,8' \
    -draw 'rectangle 3,10 5,11' -draw 'rectangle 7,10 9,11'
icon IMG_TOOL_BOUQUETEPG -stroke "$DARK" -fill white -draw 'rectangle 1,1 14,14' \
    -stroke none -fill "$TV" -draw 'rectangle 3,3 4,4' -draw 'rectangle 3,7 4,8' -draw 'rectangle 3,11 4,12' \
    -fill "$DARK" -draw 'rectangle 6,3 12,4' -draw 'rectangle 6,7 12,8' -draw 'rectangle 6,11 10,12'
icon IMG_TOOL_EPGSEARCH -stroke "$DARK" -strokewidth 2 -fill '#d6ecff' -draw 'circle 6,6 10,6' \
    -draw 'line 9,9 14,14'
icon IMG_TOOL_TELETEXT -stroke "$DARK" -fill black -draw 'rectangle 1,1 14,14' -stroke none \
    -fill '#ff3030' -draw 'rectangle 3,3 6,4' -fill '#30ff30' -draw 'rectangle 8,3 12,4' \
    -fill '#ffff30' -draw 'rectangle 3,7 12,8' -fill '#30ffff' -draw 'rectangle 3,11 9,12'
icon IMG_TOOL_TIMER -stroke "$DARK" -fill white -draw 'circle 7,8 13,8' \
    -draw 'line 7,8 7,4' -draw 'line 7,8 10,9' -stroke none -fill "$DARK" -draw 'rectangle 6,0 8,1'
icon IMG_TOOL_STREAMINFO -stroke '#1d4f9c' -fill "$TV" -draw 'circle 7,7 14,7' -stroke none \
    -fill white -draw 'rectangle 6,6 8,11' -draw 'rectangle 6,3 8,4'
icon IMG_TOOL_SCREENSHOT -stroke "$DARK" -fill '#707070' -draw 'roundrectangle 1,4 14,13 1,1' \
    -fill '#505050' -draw 'rectangle 5,2 9,4' -fill '#bfe0ff' -draw 'circle 7,8 10,8' \
    -stroke none -fill '#ffd23f' -draw 'rectangle 11,5 12,6'

# --- navigation buttons beside the tree -------------------------------------------
icon IMG_BUTTON_PREV_MARKER -stroke none -fill "$DARK" -draw 'rectangle 2,3 3,12' \
    -draw 'polygon 4,8 12,3 12,13' -fill '#e67e22' -draw 'rectangle 13,3 14,12'
icon IMG_BUTTON_PREV_SERVICE -stroke none -fill "$DARK" -draw 'polygon 3,8 12,2 12,14'
icon IMG_BUTTON_REZAP -stroke "$DARK" -strokewidth 2 -fill none -draw 'arc 2,2 13,13 200,520' \
    -stroke none -fill "$DARK" -draw 'polygon 1,2 6,2 2,7'
icon IMG_BUTTON_NEXT_SERVICE -stroke none -fill "$DARK" -draw 'polygon 3,2 12,8 3,14'
icon IMG_BUTTON_NEXT_MARKER -stroke none -fill '#e67e22' -draw 'rectangle 1,3 2,12' -fill "$DARK" \
    -draw 'polygon 3,3 11,8 3,13' -draw 'rectangle 12,3 13,12'

# --- choices and menus --------------------------------------------------------------
icon IMG_VIDEO -stroke "$DARK" -fill '#555555' -draw 'rectangle 1,3 14,12' -stroke none \
    -fill white -draw 'rectangle 2,4 3,5' -draw 'rectangle 2,10 3,11' -draw 'rectangle 12,4 13,5' \
    -draw 'rectangle 12,10 13,11' -fill "$TV" -draw 'rectangle 5,5 10,10'
icon IMG_CHOICE_VIDEO -stroke "$DARK" -fill "$TV" -draw 'rectangle 1,3 14,12' -stroke none \
    -fill white -draw 'polygon 6,5 11,8 6,11'
icon IMG_CHOICE_AUDIO -stroke none -fill "$DARK" -draw 'polygon 1,6 4,6 8,2 8,14 4,10 1,10' \
    -stroke "$DARK" -fill none -draw 'arc 6,4 12,12 -60,60' -draw 'arc 5,1 15,15 -60,60'

# --- station logo placeholder (70x53) and tray icon; pictures carry no words except
# the program's name, since texts in images escape translation -------------------------------
convert -size 70x53 gradient:'#3b4a5e'-'#141a22' -stroke '#6f849e' -fill none \
    -draw 'rectangle 0,0 69,52' -stroke none -fill '#2f6fd6' -draw 'roundrectangle 18,9 51,33 3,3' \
    -fill '#9cc3ff' -draw 'rectangle 21,12 27,15' -fill '#6f849e' -draw 'rectangle 31,34 38,37' \
    -draw 'rectangle 26,38 43,39' $OUT PNG32:DEFAULT_PICON.png
convert -size 32x32 xc:none -stroke '#1b2430' -fill '#2b3a4d' -draw 'roundrectangle 1,3 30,24 3,3' \
    -stroke none -fill '#2f6fd6' -draw 'rectangle 4,6 27,21' -fill white -font "$FONT" -pointsize 14 \
    -gravity center -annotate +0-2 'E2' -fill '#2b3a4d' -draw 'rectangle 12,25 19,27' \
    -draw 'rectangle 8,28 23,29' $OUT PNG32:IMG_ICON_TASKBAR.png

# --- splash picture (384x288) --------------------------------------------------------
convert -size 384x288 gradient:'#1f3b63'-'#0b1320' \
    -stroke '#3f6ea8' -strokewidth 2 -fill '#16263d' -draw 'roundrectangle 92,40 292,170 10,10' \
    -stroke none -fill '#2f6fd6' -draw 'rectangle 104,52 280,158' \
    -fill '#5e95e8' -draw 'polygon 104,158 170,100 214,130 246,104 280,140 280,158' \
    -fill '#9cc3ff' -draw 'circle 140,82 152,82' \
    -fill '#3f6ea8' -draw 'rectangle 176,171 208,184' -draw 'rectangle 150,185 234,190' \
    -font "$FONT" -pointsize 34 -fill white -gravity north -annotate +0+205 'Tessaro E2' \
    $OUT PNG32:BMP_SPLASH.png

# --- play/pause tool states -----------------------------------------------------------
icon IMG_PLAY -stroke none -fill '#2e9b4f' -draw 'polygon 3,2 13,8 3,14'
icon IMG_PAUSE -stroke none -fill "$DARK" -draw 'rectangle 3,2 6,13' -draw 'rectangle 9,2 12,13'

# --- stream state pictures, drawn centred over the black video panel (96x96) ----------
panel() { # name, draw arguments...
    name=$1
    shift
    convert -size 96x96 xc:none "$@" $OUT "PNG32:$name.png"
}
# A signal mast whose waves fade out: the stream does not start.
panel IMG_TIMEOUT -stroke '#d0d0d0' -strokewidth 5 -fill none -draw 'line 48,44 48,84' \
    -draw 'line 34,84 62,84' -fill '#d0d0d0' -draw 'circle 48,38 48,32' -fill none \
    -stroke '#f2c94c' -draw 'arc 34,24 62,52 135,225' -draw 'arc 34,24 62,52 -45,45' \
    -stroke '#8a7a40' -draw 'arc 22,12 74,64 135,225' -draw 'arc 22,12 74,64 -45,45' \
    -stroke '#4a4430' -draw 'arc 10,0 86,76 135,225' -draw 'arc 10,0 86,76 -45,45'
# The same mast, crossed out in red: given up.
panel IMG_ABORT -stroke '#d0d0d0' -strokewidth 5 -fill none -draw 'line 48,44 48,84' \
    -draw 'line 34,84 62,84' -fill '#d0d0d0' -draw 'circle 48,38 48,32' -fill none \
    -stroke '#e03b2b' -strokewidth 8 -draw 'line 16,16 80,80' -draw 'line 80,16 16,80'
# Two phases of a turning arrow: reconnecting.
panel IMG_RESYNC1 -stroke '#2f6fd6' -strokewidth 8 -fill none -draw 'arc 16,16 80,80 30,300' \
    -stroke none -fill '#2f6fd6' -draw 'polygon 66,8 88,26 62,38'
panel IMG_RESYNC2 -stroke '#2f6fd6' -strokewidth 8 -fill none -draw 'arc 16,16 80,80 210,480' \
    -stroke none -fill '#2f6fd6' -draw 'polygon 30,88 8,70 34,58'
