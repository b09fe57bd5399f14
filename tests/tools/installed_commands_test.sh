#!/usr/bin/env bash
# The two installed commands as a technician meets them: --help and --version without a display,
# the example job named where it lies, command lines refused with status 2, and manual pages
# that describe every option the help lists.
set -u
program="$1"
sim="$2"
manuals="$3"
shift 3  # then every other command-line tool of the project
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { if ! eval "$2"; then echo "FAILED: $1"; failures=$((failures + 1)); fi; }

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >"$work/help" 2>&1; code=$?
check "chromaflow --help answers without a display" '[ $code -eq 0 ] && grep -q "^usage : chromaflow \[--acquisition MS\] \[--history SERVEUR\] \[PROJET.prv\]" "$work/help"'
check "chromaflow --help names the example job where it lies" \
  'grep -q "^Chantier d.exemple : .*/share/chromaflow/examples/wall.prv$" "$work/help" && [ -f "$(sed -n "s/^Chantier d.exemple : //p" "$work/help")" ]'
QT_QPA_PLATFORM=offscreen "$program" --bogus >"$work/out" 2>"$work/err"; code=$?
check "chromaflow refuses an unknown option" '[ $code -eq 2 ] && grep -q "option inconnue --bogus" "$work/err"'
QT_QPA_PLATFORM=offscreen "$program" a.prv b.prv >"$work/out" 2>"$work/err"; code=$?
check "chromaflow opens one project at a time" '[ $code -eq 2 ] && grep -q "un seul projet" "$work/err"'

# A figure that must be whole is refused when it is not, never cut to another one.
QT_QPA_PLATFORM=offscreen "$program" --acquisition 4.99 >"$work/out" 2>"$work/err"; code=$?
check "chromaflow refuses an acquisition period that is not whole" \
  '[ $code -eq 2 ] && grep -q "^.*--acquisition : « 4.99 » n.est pas un nombre entier entre 1 et 5" "$work/err"'
"$sim" --render-width 1.5 >"$work/out" 2>"$work/err"; code=$?
check "chromaflow-sim refuses a picture width that is not whole" '[ $code -eq 2 ] && grep -q "nombre entier" "$work/err"'
for tool in "$@"; do
  [ "$(basename "$tool")" = chromaflow-live ] || continue
  "$tool" x.prv --period 1.5 >"$work/out" 2>"$work/err"; code=$?
  check "chromaflow-live refuses a period that is not whole" '[ $code -eq 2 ] && grep -q "period : « 1.5 » n.est pas un nombre entier" "$work/err"'
done

"$sim" --help >"$work/sim-help"; code=$?
check "chromaflow-sim --help names the example job" '[ $code -eq 0 ] && grep -q "^  chromaflow-sim .*/share/chromaflow/examples/wall.prv --machine$" "$work/sim-help"'

for tool in "$program" "$sim" "$@"; do
  name=$(basename "$tool")
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tool" --help >"$work/out" 2>&1; code=$?
  check "$name --help answers without a display" '[ $code -eq 0 ] && grep -q "^usage : $name " "$work/out"'
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tool" --version >"$work/out" 2>&1; code=$?
  check "$name --version answers without a display" '[ $code -eq 0 ] && grep -qx "$name (ChromaFlow) [0-9.]*" "$work/out"'
done

# Every option of the help is in the manual page (the page writes "-" as "\-").
live=$(for tool in "$@"; do [ "$(basename "$tool")" = chromaflow-live ] && echo "$tool"; done)
for tool in chromaflow chromaflow-sim chromaflow-live; do
  page="$manuals/$tool.1"
  check "$tool.1 is there" '[ -s "$page" ]'
  sed 's/\\-/-/g' "$page" >"$work/page"
  exe="$program"; [ "$tool" = chromaflow-sim ] && exe="$sim"; [ "$tool" = chromaflow-live ] && exe="$live"
  for option in $(env -u DISPLAY "$exe" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    check "$tool.1 describes $option" 'grep -q -- "$option" "$work/page"'
  done
  check "$tool.1 names the installed example job" 'grep -q "/share/chromaflow/examples/wall.prv" "$work/page"'
done
# The foreman's view's page describes its options too.
for tool in "$@"; do
  [ "$(basename "$tool")" = chromaflow-web ] || continue
  sed 's/\\-/-/g' "$manuals/chromaflow-web.1" >"$work/page"
  for option in $("$tool" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    check "chromaflow-web.1 describes $option" 'grep -q -- "$option" "$work/page"'
  done
done

[ $failures -eq 0 ] && echo "all installed-command checks passed"
exit $failures
