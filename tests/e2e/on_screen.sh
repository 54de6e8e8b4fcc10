#!/usr/bin/env bash
# on_screen.sh <morvi>: starts the built program with a settings file whose
# positions lie partly off a small screen, and checks that every window (main
# window, system dialog, help window, waitstates dialog, key dialog) lies wholly
# on the screen, or at its left or top edge where it is larger than the screen;
# Escape closes each dialog; closing without moving a window writes back the
# positions the file had. The screen size and the scaling come from the caller
# (MORVI_X_SCREEN for tests/support/run_on_x.sh, QT_FONT_DPI, QT_SCALE_FACTOR).
set -euo pipefail

. "$(dirname "$0")/x_session.sh"
keys() {
  xdotool key --delay 60 "$@"
  sleep 0.3
}

read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')

# The window's outer frame: its inside and the frame extents the window manager gives it.
frame() {
  local x y w h l r t b
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
# Wholly on the screen; a side larger than the screen starts at its edge.
# Fractional scaling rounds the frame by a pixel.
on_screen() {
  local x y w h
  read -r x y w h < <(frame "$2")
  echo "$1: ${w}x$h at $x,$y on ${screen_w}x$screen_h"
  if [ "$w" -le "$screen_w" ]; then
    [ "$x" -ge -1 ] && [ $((x + w)) -le $((screen_w + 1)) ] || fail "$1 off the screen sideways: $x+$w"
  else
    [ "$x" -ge -1 ] && [ "$x" -le 1 ] || fail "$1 wider than the screen, not at its left edge: $x"
  fi
  if [ "$h" -le "$screen_h" ]; then
    [ "$y" -ge -1 ] && [ $((y + h)) -le $((screen_h + 1)) ] || fail "$1 off the screen vertically: $y+$h"
  else
    [ "$y" -ge -1 ] && [ "$y" -le 1 ] || fail "$1 taller than the screen, not at its top edge: $y"
  fi
}
# "&Hilfe" opens the help window, or a menu whose first item does.
open_help() {
  keys alt+h
  timeout 2 xdotool search --sync --onlyvisible --name "^Hilfe zur Sender-Konfiguration$" >/dev/null 2>&1 ||
    keys Return
}
# Opens a dialog by the command given, checks it and closes it by Escape.
dialog() {
  local title=$1
  shift
  "$@"
  on_screen "$title" "$(window "$title")"
  keys Escape
  gone "$title"
}

cd "$work"
printf '#directory#\r\n%s\r\n#COM#\r\n2\r\n#posmain#\r\n219\r\n145\r\n#poshelp#\r\n900\r\n700\r\n#possys#\r\n-50\r\n600\r\n' \
  "$work" >morvi.ini
cp morvi.ini read.ini
"$morvi" &
pid=$!
main=$(window "^Konfiguration Sender \\(max\\. 16-Tasten\\) \$")
sleep 1.5 # the delayed start-up
on_screen "main window" "$main"
[ -n "${MORVI_SCREEN_SHOT:-}" ] && shot "$MORVI_SCREEN_SHOT"

dialog "^Sender - Systemparameter$" keys alt+y
dialog "^Hilfe zur Sender-Konfiguration$" open_help
dialog "^RS232-waitstates$" keys alt+k w

# The key dialog of key 16, by a right press on its panel wherever the scaling puts it.
read -r mx my mw _ < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} END {print x, y, w}')
xdotool mousemove "$(awk -v x="$mx" -v w="$mw" 'BEGIN {print int(x + (29 + 3 * 113 + 55) * w / 943)}')" \
  "$(awk -v y="$my" -v w="$mw" 'BEGIN {print int(y + (69 + 3 * 84 + 40) * w / 943)}')"
sleep 0.1
xdotool click 3
on_screen "key dialog" "$(window "^Tasten-Konfiguration$")"
keys Escape
gone "^Tasten-Konfiguration$"

keys alt+F4
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then fail "the program did not end"; fi
wait "$pid" || fail "the program ended with status $?"
pid=
# Lines 5 to 13, the positions: as the file had them, since no window was moved.
[ "$(sed -n 5,13p morvi.ini)" = "$(sed -n 5,13p read.ini)" ] || fail "positions not written back as read: $(sed -n 5,13p morvi.ini | tr -d '\r' | tr '\n' ' ')"
echo "PASS: every window on the ${screen_w}x$screen_h screen"
