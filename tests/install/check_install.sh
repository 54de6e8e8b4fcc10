#!/usr/bin/env bash
# check_install.sh <cmake> <build dir>: installs the build into a temporary
# prefix and checks what landed there.
set -euo pipefail
cmake=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
"$here/check_files.sh" "$prefix" "$prefix"

# Nothing of the build tree may be needed by the installed program.
if readelf -d "$prefix/bin/morvi" | grep -E 'R(UN)?PATH' | grep -q "$build"; then
  echo "bin/morvi still looks for libraries in the build tree" >&2
  exit 1
fi
echo "install_tree: the installed files check out"
