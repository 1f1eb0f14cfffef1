# Shared by the drawing scripts of each image folder (sourced, not run): the font,
# deterministic PNG output (no time stamps, no ancillary chunks) and a 16x16 icon.
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
OUT="-strip -define png:exclude-chunks=date,time"

icon() { # name, draw arguments...
    name=$1
    shift
    convert -size 16x16 xc:none "$@" $OUT "PNG32:$name.png"
}
