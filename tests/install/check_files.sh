#!/usr/bin/env bash
# check_files.sh <root> <prefix>: the installed files below root, with the
# program's prefix inside it (an install prefix, or /usr in a package), are
# exactly the expected ones, and the desktop entry, the AppStream metadata
# and the man page are valid.
set -euo pipefail
root=$1
prefix=$2
id=example.funktechnik.Morvi

expected=$(printf '%s\n' \
  "bin/morvi" \
  "bin/morvi-cli" \
  "lib/udev/rules.d/70-morvi-usb-adapter.rules" \
  "share/applications/$id.desktop" \
  "share/icons/hicolor/scalable/apps/$id.svg" \
  "share/man/man1/morvi.1.gz" \
  "share/man/man1/morvi-cli.1.gz" \
  "share/metainfo/$id.metainfo.xml" | sort)
outside=$(find "$root" \( -type f -o -type l \) -not -path "$prefix/*")
[ -z "$outside" ] || { echo "installed outside the prefix: $outside" >&2; exit 1; }
actual=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
  echo "installed files differ from the expected ones:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi

[ -x "$prefix/bin/morvi" ] || { echo "bin/morvi is not executable" >&2; exit 1; }
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  { appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml" >&2; exit 1; }
# The man page renders without complaint.
for page in morvi morvi-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "man page $page: $warnings" >&2; exit 1; }
done
# The rule gives the logged-in user the adapter's USB vendor id.
rule="$prefix/lib/udev/rules.d/70-morvi-usb-adapter.rules"
grep -q 'ATTR{idVendor}=="0403".*TAG+="uaccess"' "$rule"
# ModemManager leaves the vendor id alone, on the USB device and on its serial port.
grep -q '^SUBSYSTEM=="usb".*ATTR{idVendor}=="0403".*ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule"
grep -q '^SUBSYSTEM=="tty".*ATTRS{idVendor}=="0403".*ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule"
