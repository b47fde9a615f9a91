#!/usr/bin/env bash
# Starts Talvek from its Debian package, unpacked, and from its portable archive on a
# headless X server, and checks where each keeps its data files.
# usage: test-package.sh DIST   (the folder `make package` fills)
set -euo pipefail

dist=$(cd "${1:-dist}" && pwd)
deb=$(echo "$dist"/talvek_*.deb)
tgz=$(echo "$dist"/talvek-*.tar.gz)
scratch=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"

# start PROGRAM HOME [XDG_DATA_HOME]: the program alone on the display, with its own home.
start() {
  mkdir -p "$2" "$scratch/run" && chmod 700 "$scratch/run"
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME QT_QPA_PLATFORM=xcb \
    XDG_RUNTIME_DIR="$scratch/run" HOME="$2" ${3:+XDG_DATA_HOME="$3"} "$1" &
  app_pid=$!
}
stop() { kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; app_pid=""; }
count() { xdotool search --onlyvisible --name '^Talvek$' 2>/dev/null | wc -l; }
alive() { kill -0 "$app_pid" 2>/dev/null || fail "$1: the program ended"; }
# shown WHAT N: waits up to 15 s until at least N windows titled Talvek are shown.
shown() {
  for _ in $(seq 150); do
    alive "$1"; [ "$(count)" -ge "$2" ] && return 0; sleep 0.1
  done
  fail "$1: fewer than $2 windows titled Talvek"
}
# answer WHAT: answers each message box over the main window with Enter, then checks that
# the main window alone is left.
answer() {
  sleep 1
  for _ in 1 2 3; do
    [ "$(count)" -gt 1 ] || break
    xdotool key Return
    for _ in $(seq 50); do [ "$(count)" -le 1 ] && break; alive "$1"; sleep 0.1; done
  done
  alive "$1"; [ "$(count)" -eq 1 ] || fail "$1: the main window is not alone on the screen"
}

# installed HOME XDG_DATA_HOME DATA: the first start makes DATA and says so, then the main
# window opens with its own word (no remitter yet) over it.
installed() {
  start "$scratch/root/usr/bin/talvek" "$1" "$2"
  shown installed 1
  [ -f "$3/VXBANK.mdb" ] && [ -f "$3/BRANCH.mdb" ] || fail "installed: no data files in $3"
  sleep 1; xdotool key Return
  shown installed 2
  answer installed
  stop
}
dpkg-deb -x "$deb" "$scratch/root"
! command -v appstreamcli >/dev/null || appstreamcli validate --no-net \
  "$scratch"/root/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "AppStream metadata not valid"
installed "$scratch/home1" "" "$scratch/home1/.local/share/Talvek"
installed "$scratch/home2" "$scratch/xdg" "$scratch/xdg/Talvek"
[ ! -e "$scratch/home2/.local/share/Talvek" ] || fail "installed: data made under HOME despite XDG_DATA_HOME"

# The portable folder runs on the data files it ships and makes nothing elsewhere.
mkdir "$scratch/portable"
tar xzf "$tgz" -C "$scratch/portable"
dir=$(echo "$scratch"/portable/*)
sums=$(cd "$dir" && sha256sum VXBANK.mdb BRANCH.mdb) || fail "portable: the archive lacks its data files"
start "$dir/talvek" "$scratch/home3"
shown portable 1
answer portable
stop
[ -z "$(find "$scratch/home3" -name '*.mdb')" ] || fail "portable: data files were made under HOME"
(cd "$dir" && sha256sum --quiet -c <<<"$sums") || fail "portable: the shipped data files changed"

if command -v lintian >/dev/null; then
  report=$(lintian "$deb" 2>&1 || true)
  echo "$report"
  ! grep -q '^E:' <<<"$report" || fail "lintian reports errors"
fi
echo "package test passed"
