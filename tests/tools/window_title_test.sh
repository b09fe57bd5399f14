#!/usr/bin/env bash
# The main window's caption as the desktop shows it, on a real X server (Xvfb): the program's
# title and the project's name with its folder, nothing appended after them.
# usage: window_title_test.sh CHROMAFLOW PROJECT.prv
set -euo pipefail
program="$1"
project="$(realpath "$2")"
expected="Chromaflow Velmora - $project"

run() {
  local log said
  log=$(mktemp)
  said=$(mktemp)  # what no check reads
  "$program" "$project" >"$said" 2>"$log" &
  local pid=$!
  local names=""
  for _ in $(seq 1 100); do
    names=$(xwininfo -root -tree 2>>"$said" | grep -o '"Chromaflow Velmora[^"]*"' || true)
    grep -qxF "\"$expected\"" <<<"$names" && break
    grep -q '"Chromaflow Velmora - [^"]*"' <<<"$names" && ! grep -q 'Noname.prv"$' <<<"$names" && break
    sleep 0.1
  done
  kill "$pid" 2>>"$said" || true
  wait "$pid" 2>>"$said" || true
  if ! grep -qxF "\"$expected\"" <<<"$names"; then
    echo "caption: expected \"$expected\", the desktop shows: ${names:-nothing}" >&2
    cat "$log" >&2
    rm -f "$log" "$said"
    exit 1
  fi
  rm -f "$log" "$said"
  echo "caption: $names"
}

if [ -z "${WINDOW_TITLE_UNDER_XVFB:-}" ]; then
  WINDOW_TITLE_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
run
