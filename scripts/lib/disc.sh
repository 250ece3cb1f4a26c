# shellcheck shell=bash
# What every disc of the product holds besides its programs, shared by scripts/make-disc and
# the demo disc of scripts/lib/wine.sh (source it, bash only).

QUIN_PRODUCT=Quintaral
# The text beside the menu's icon in the AutoPlay dialog: "Start Quintaral".
QUIN_AUTOPLAY_ACTION='Εκκίνηση του Quintaral'

# write_autorun FILE [LABEL]: the disc's autorun.inf, naming menu.exe as the program to start
# and as the drive's icon, LABEL (the product name by default) as the drive's name in Explorer.
# Windows reads autorun.inf as an INI file: one with a UTF-16LE byte-order mark is read as
# Unicode, any other in the system's ANSI code page, which would turn the Greek into other
# letters on a machine that is not set to Greek. Hence UTF-16LE with its mark, and CRLF.
write_autorun() {
    local file=${1:?write_autorun FILE [LABEL]} label=${2:-$QUIN_PRODUCT}
    {
        printf '\xff\xfe'
        printf '[autorun]\r\nopen=menu.exe\r\nicon=menu.exe\r\nlabel=%s\r\naction=%s\r\n' \
            "$label" "$QUIN_AUTOPLAY_ACTION" | iconv -f UTF-8 -t UTF-16LE
    } >"$file"
}
