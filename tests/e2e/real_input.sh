#!/usr/bin/env bash
# real_input.sh <morvi>: drives the built program in a real X window with real
# mouse and key events sent through the X server, as a person would: sets each
# key class in the key dialog, types addresses committed by Tab, Enter and
# "Übernehmen", types into main-window fields, opens and closes every dialog,
# saves, and checks the bytes of the saved file; then, in a fresh start, uses
# the keyboard alone to switch a key on, give it an address, close every dialog
# by Escape, answer the question about unsaved edits and save. Needs a display
# with a window manager (tests/support/run_on_x.sh gives one).
set -euo pipefail

. "$(dirname "$0")/x_session.sh"
# Top-left corner of a window's inside, in screen coordinates.
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'; }

# A press held for a moment and a release, as a hand does; button 1 or 3.
click() {
  local base=($1) x=$2 y=$3 button=${4:-1}
  xdotool mousemove $((base[0] + x)) $((base[1] + y))
  sleep 0.05
  xdotool mousedown "$button"
  sleep 0.1
  xdotool mouseup "$button"
  sleep 0.2
}
keys() {
  xdotool key --delay 60 "$@"
  sleep 0.2
}
typed() {
  xdotool type --delay 60 "$1"
  sleep 0.2
}

# "Datei → Speichern" under the offered name; sets saved to the file written below folder $1.
save_offered() {
  keys alt+d s
  window "^Datei Speichern$" >/dev/null
  keys Return
  saved=
  for _ in $(seq 50); do
    saved=$(find "$1" -name '*.txc' -size +0 | head -n1)
    [ -n "$saved" ] && break
    sleep 0.1
  done
  [ -n "$saved" ] || fail "nothing saved in $1"
}

cd "$work"
"$morvi" &
pid=$!
main=$(window "^Konfiguration Sender \\(max\\. 16-Tasten\\) \$")
sleep 1 # the delayed start-up
at=$(origin "$main")

# The window manager cannot resize the window.
read -r width height < <(xwininfo -id "$main" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
xdotool windowsize "$main" 1200 800
sleep 0.5
read -r width2 height2 < <(xwininfo -id "$main" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
[ "${width2}x${height2}" = "${width}x${height}" ] && [ "$width" = 943 ] || fail "window resized to ${width2}x$height2"

# Key k's panel, inside the main window (matrix origin and panel pitch).
panel_x() { echo $((29 + 113 * (($1 - 1) % 4) + 55)); }
panel_y() { echo $((69 + 84 * (($1 - 1) / 4) + 40)); }
radio_y() { echo $((56 + 24 * $1)); } # RB1, RBZ, RB2, RB3, RB4 are 0..4

# key_dialog <key> <radio 0..4> [address] [commit: tab|enter|button]
key_dialog() {
  click "$at" "$(panel_x "$1")" "$(panel_y "$1")" 3
  local dialog
  dialog=$(window "^Tasten-Konfiguration$")
  local d
  d=$(origin "$dialog")
  click "$d" 84 "$(radio_y "$2")"
  if [ -n "${3:-}" ]; then
    click "$d" 79 28
    typed "$3"
    case $4 in
    tab) keys Tab ;;
    enter) keys Return ;;
    esac
  fi
  click "$d" 116 200 # Übernehmen
  gone "^Tasten-Konfiguration$"
}

key_dialog 16 3 123 tab
key_dialog 15 2 77 enter
key_dialog 14 1 5 button
key_dialog 13 0
key_dialog 12 0
key_dialog 12 4

# A main-window field, typed and left.
click "$at" 638 82 # codelength
typed 24
keys Tab

# An unreadable time-out raises one error box; the Enter that closes it must not raise it again.
click "$at" 650 318 # TastenTimeout
typed abc
keys Return
box=$(window "^morvi$")
keys Return
gone "^morvi$"
sleep 0.5
if xdotool search --onlyvisible --name '^morvi$' >/dev/null 2>&1; then fail "the error box opened again"; fi
click "$at" 650 318
typed 3,5
keys Tab

# Every menu and dialog opens and closes.
# Each entry: the keys that open the dialog, the key that closes it, its title.
for dialog in "alt+y:alt+F4:^Sender - Systemparameter$" "alt+h h:alt+F4:^Hilfe zur Sender-Konfiguration$" \
  "F1:alt+F4:^Hilfe zur Sender-Konfiguration$" "alt+h v:Escape:^Verbindung prüfen$"; do
  IFS=: read -r open close title <<<"$dialog"
  # shellcheck disable=SC2086 # the keys are separate words
  keys $open
  window "$title" >/dev/null
  keys "$close"
  gone "$title"
done
keys alt+k w
window "^RS232-waitstates$" >/dev/null
keys alt+F4
gone "^RS232-waitstates$"
for menu in d k t h; do
  keys "alt+$menu"
  keys Escape
done

# Save under the offered name.
save_offered "$work"

byte() { sed -n "$(($1 + 1))p" "$saved" | tr -d '\r '; }
expect() {
  local got
  got=$(byte "$1")
  [ "$got" = "$2" ] || fail "byte $1 is $got, expected $2 ($3)"
}
expect 109 1 "key 16 yellow"
expect 107 2 "key 15 blue"
expect 3 4 "key 14 orange"
expect 105 8 "key 13 green, key 12 grey again"
expect 104 0 "no other green key"
expect 89 123 "key 16's address, committed by Tab"
expect 84 77 "key 15's address, committed by Enter"
expect 79 5 "key 14's address, committed by Übernehmen"
expect 95 24 "code length typed into the main window"
expect 4 35 "time-out typed after the error box"

ends() {
  keys alt+F4
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then fail "the program did not end"; fi
  wait "$pid" || fail "the program ended with status $?"
  pid=
}
ends
[ -s "$work/morvi.ini" ] || fail "no settings file written"

# The keyboard alone, in a fresh start whose focus is on "Auslesen": on to the
# matrix (Tab past "clear info" and the first page's tab),
# key 6 by the arrows, three steps of its class, its address field (now on),
# the key dialog opened and left by Escape, every dialog closed by Escape.
mkdir "$work/keyboard"
cd "$work/keyboard"
"$morvi" &
pid=$!
window "^Konfiguration Sender \\(max\\. 16-Tasten\\) \$" >/dev/null
sleep 1
keys Tab Tab Tab
keys Right Down
keys space space space
keys Tab
typed 4711
keys Tab
keys shift+Tab shift+Tab
keys shift+F10
window "^Tasten-Konfiguration$" >/dev/null
keys Escape
gone "^Tasten-Konfiguration$"
for dialog in "alt+y:^Sender - Systemparameter$" "alt+h:^Hilfe zur Sender-Konfiguration$" \
  "alt+k w:^RS232-waitstates$"; do
  keys ${dialog%%:*}
  # "&Hilfe" may be a menu whose first item opens the help window.
  timeout 2 xdotool search --sync --onlyvisible --name "${dialog#*:}" >/dev/null 2>&1 || keys Return
  window "${dialog#*:}" >/dev/null
  keys Escape
  gone "${dialog#*:}"
done
# Closing asks about the changed key; Escape answers "Nein" and the window stays.
keys alt+F4
window "^morvi$" >/dev/null
keys Escape
gone "^morvi$"
kill -0 "$pid" 2>/dev/null || fail "the window closed although the question was answered Nein"
save_offered "$work/keyboard"
expect 106 4 "key 6 blue, by Space three times"
expect 104 0 "no key green"
expect 38 18 "key 6's address 4711, high byte"
expect 39 103 "key 6's address 4711, low byte"
# Saved, the configuration closes without a question.
ends
echo "PASS: real input in a real window, and by the keyboard alone"
