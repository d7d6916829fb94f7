#!/usr/bin/env bash
# Runs a Windows test program under Wine with a display setting staged in the prefix:
#   staged.sh dpi DPI SHOTS PROGRAM [ARGS...]       the display scaling (LogPixels)
#   staged.sh scheme SCHEME SHOTS PROGRAM [ARGS...] a colour scheme, hc-black or hc-white: the
#                                                   colours of Windows' High Contrast Black or White
# Each Wine program reads these settings as it starts, so they are written before the program and
# put back however it ends, for the tests that follow. The program is told what was staged
# (TORVEXA_DPI, or TORVEXA_SCHEME and the face colour in TORVEXA_FACE, so that a staging that did
# not take fails) and where to save its screenshot (TORVEXA_SCREENSHOTS): window-96dpi.bmp,
# window-hc-black.bmp and so on, which becomes a PNG in SHOTS.
set -uo pipefail
what=$1 value=$2 shots=$3
shift 3

colours='HKCU\Control Panel\Colors'
saved=$(mktemp --suffix=.reg)
case $what in
    dpi)
        shot=window-${value}dpi
        export TORVEXA_DPI=$value
        stage() {
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
        }
        restore() { stage 96; }
        ;;
    scheme)
        shot=window-$value
        export TORVEXA_SCHEME=$value
        # Face, text, window, link, selection and disabled text, as the two schemes set them.
        case $value in
            hc-black) scheme=(ButtonFace '0 0 0' ButtonText '255 255 255' Window '0 0 0'
                              WindowText '255 255 255' HotTrackingColor '255 255 0'
                              Highlight '26 235 255' HighlightText '0 0 0' GrayText '63 242 63') ;;
            hc-white) scheme=(ButtonFace '255 255 255' ButtonText '0 0 0' Window '255 255 255'
                              WindowText '0 0 0' HotTrackingColor '0 0 159'
                              Highlight '55 0 110' HighlightText '255 255 255' GrayText '96 0 0') ;;
            *) echo "staged.sh: no colour scheme $value"; exit 1 ;;
        esac
        export TORVEXA_FACE=${scheme[1]}
        stage() {
            local i
            for ((i = 0; i < ${#scheme[@]}; i += 2)); do
                wine reg add "$colours" /v "${scheme[i]}" /d "${scheme[i + 1]}" /f || return 1
            done
        }
        # The prefix's own colours come back as they were.
        if ! wine reg export "$colours" "$(winepath -w "$saved")" /y >/dev/null 2>&1; then
            echo "staged.sh: could not save the prefix's colours"
            rm -f "$saved"
            exit 1
        fi
        restore() {
            wine reg delete "$colours" /f && wine reg import "$(winepath -w "$saved")"
        }
        ;;
    *)
        echo "staged.sh: nothing to stage as $what"
        exit 1
        ;;
esac
trap 'restore >/dev/null 2>&1; rm -f "$saved"' EXIT
if ! stage "$value" >/dev/null 2>&1; then
    echo "staged.sh: could not stage $what $value"
    exit 1
fi
mkdir -p "$shots"
rm -f "$shots/$shot".{bmp,png}
TORVEXA_SCREENSHOTS=$(winepath -w "$shots") wine "$@"
status=$?
bmp="$shots/$shot.bmp"
if [ -f "$bmp" ]; then
    if convert "$bmp" "${bmp%.bmp}.png"; then
        rm -f "$bmp"
        echo "screenshot: ${bmp%.bmp}.png"
    else
        status=1
    fi
fi
exit $status
