#!/usr/bin/env bash
# The program's resident memory (VmRSS, read from /proc) as a person uses it: at rest on
# the main menu, then after the institution window was opened and closed and with the
# payee window open, over ROWS payees and as many institutions (default: 10000 100000).
# Needs Xvfb, openbox and xdotool (Debian packages xvfb, openbox, xdotool).
# Usage: bench/memory.sh [ROWS...]   (BUILD: the build folder, default build; PROGRAM: the
# program to measure, default the one built there)
set -eu
build=$(readlink -f "${BUILD:-build}")
program=$(readlink -f "${PROGRAM:-$build/bin/talvek}") # another build of the program, to compare
rss() { awk '/^VmRSS/ { printf "%.1f MB", $2 / 1024 }' "/proc/$1/status"; }
printf '%-10s %-14s %-14s\n' rows "at rest" "windows open"
[ $# -gt 0 ] || set -- 10000 100000
for rows in "$@"; do
  dir=$(mktemp -d)
  cp "$program" "$dir/talvek"
  QT_QPA_PLATFORM=offscreen "$build/bin/talvek-bench" stores "$dir" "$rows" >/dev/null
  disp=:$(( 500 + RANDOM % 300 ))
  Xvfb "$disp" -screen 0 1600x1000x24 >/dev/null 2>&1 & xv=$!
  sleep 1
  DISPLAY=$disp openbox --sm-disable >/dev/null 2>&1 & wm=$!
  sleep 0.5
  DISPLAY=$disp "$dir/talvek" >/dev/null 2>&1 & app=$!
  sleep 3
  rest=$(rss $app)
  key() { DISPLAY=$disp xdotool key "$1"; sleep "${2:-1}"; }
  win=$(DISPLAY=$disp xdotool search --onlyvisible --pid $app 2>/dev/null | tail -1 || true)
  [ -n "$win" ] && DISPLAY=$disp xdotool windowfocus --sync "$win" 2>/dev/null || true
  key 7 2; key F10; key 2 2
  open=$(rss $app)
  [ -n "${SHOT:-}" ] && DISPLAY=$disp import -window root "$SHOT-$rows.png"
  printf '%-10s %-14s %-14s\n' "$rows" "$rest" "$open"
  kill $app $wm $xv 2>/dev/null || true
  wait $app 2>/dev/null || true
  rm -rf "$dir"
done
