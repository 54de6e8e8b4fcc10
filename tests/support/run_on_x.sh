#!/usr/bin/env bash
# run_on_x.sh <program> [args...]: runs the program on a virtual X display of
# its own with a window manager, as people run the program, so that focus,
# activation, paint and window-manager behaviour are the real ones. Each run
# gets its own display: tests running side by side never steal each other's
# focus. Exits with the program's status. MORVI_X_SCREEN sets the screen
# (width x height x depth), 1280x1024x24 unless given.
set -uo pipefail

work=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 7 -screen 0 "${MORVI_X_SCREEN:-1280x1024x24}" -nolisten tcp 7>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "run_on_x: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

export QT_QPA_PLATFORM=xcb
"$@"
