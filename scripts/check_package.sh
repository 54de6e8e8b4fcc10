#!/usr/bin/env bash
# check_package.sh <build dir>: builds the Debian package from a build tree,
# checks its files, its dependencies, its desktop entry and metadata, then
# installs it, starts the installed program and removes the package again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out="$build/package"
rm -rf "$out"
unpacked=$(mktemp -d)
log="$unpacked.log"
trap 'rm -rf "$unpacked" "$log"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
deb=$(ls "$out"/morvi_*.deb)
echo "Built $(basename "$deb")"

dpkg-deb -x "$deb" "$unpacked"
"$root/tests/install/check_files.sh" "$unpacked" "$unpacked/usr"

# The dependencies come from the linked libraries, plus the platform plugin.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6serialport6 libstdc++6 qt6-qpa-plugins; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends" >&2; exit 1; }
done
grep -q libftdi1-2 <<<"$(dpkg-deb -f "$deb" Recommends)" || { echo "libftdi1-2 not recommended" >&2; exit 1; }

# Installed, the program starts and keeps running until it is stopped.
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if dpkg-query -W -f='${Status}' morvi 2>/dev/null | grep -q 'install ok installed'; then
  echo "morvi is installed on this machine already; its package is left alone and not started." >&2
  exit 0
fi
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$log" 2>&1 ||
  { cat "$log" >&2; exit 1; }
status=0
(
  cd "$unpacked"
  missing=$(ldd /usr/bin/morvi | grep 'not found' || true)
  [ -z "$missing" ] || { echo "unresolved libraries: $missing" >&2; exit 1; }
  [ -f /usr/lib/udev/rules.d/70-morvi-usb-adapter.rules ] || { echo "udev rule not installed" >&2; exit 1; }
  # Still running after five seconds: timeout ends it with 124.
  code=0
  xvfb-run -a -s "-screen 0 1280x1024x24" timeout 5 /usr/bin/morvi >/dev/null 2>&1 || code=$?
  [ "$code" -eq 124 ] || { echo "the installed program ended on its own with $code" >&2; exit 1; }
) || status=$?
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq morvi >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
[ "$status" -eq 0 ] && echo "package: files, dependencies, install and start check out"
exit "$status"
