#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Morvi and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Morvi on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/src/shell/morvi"
fi
exec "$root/build/src/shell/morvi"
