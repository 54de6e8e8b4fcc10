# Sourced by the end-to-end scripts: the program's working folder, clean-up,
# screenshots on failure and waiting for windows by title. Expects $1 to be
# the built program.
morvi=$(realpath "$1")
work=$(mktemp -d)
pid=
finish() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
shot() { import -window root "$1" 2>/dev/null || { rm -f "$1" && scrot "$1" 2>/dev/null; }; }
fail() {
  echo "FAIL: $*" >&2
  shot "${MORVI_E2E_SHOT:-/tmp/morvi-e2e-failure.png}" &&
    echo "screen saved in ${MORVI_E2E_SHOT:-/tmp/morvi-e2e-failure.png}" >&2
  exit 1
}
# The visible window whose title matches the pattern; waits up to 10 s for it.
window() {
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n1) || fail "no window \"$1\""
  echo "$id"
}
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  fail "window \"$1\" still open"
}
