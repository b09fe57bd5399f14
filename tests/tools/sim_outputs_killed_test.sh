#!/usr/bin/env bash
# chromaflow-sim killed while it writes its outputs: by the file size limit (SIGXFSZ) as the
# trace outgrows it, and by SIGKILL part-way through a run. The old outputs stay as they were
# and nothing else is left beside them.
set -u
sim="$1"
example="$2"
work=$(mktemp -d)
said=$(mktemp -d)  # what the runs say, apart: the checks list the work folder
trap 'rm -rf "$work" "$said"' EXIT
failures=0
check() { if ! eval "$2"; then echo "FAILED: $1"; failures=$((failures + 1)); fi; }

printf 'old trace\n' >"$work/trace.csv"
{ (ulimit -f 64; exec "$sim" "$example" --machine --trace "$work/trace.csv") >"$said/out"; code=$?; } 2>"$said/err"
check "the file size limit ends the run (status $code)" '[ $code -eq $((128 + 25)) ]'
check "the old trace is kept" '[ "$(cat "$work/trace.csv")" = "old trace" ]'
check "nothing is left beside it: $(ls -A "$work" | tr "\n" " ")" '[ "$(ls -A "$work")" = trace.csv ]'

printf 'old report\n' >"$work/report.csv"
"$sim" "$example" --machine --seconds 100000 --trace "$work/trace.csv" --report "$work/report.csv" >"$said/out" 2>&1 &
run=$!
sleep 1
kill -KILL "$run"
wait "$run" 2>"$said/err"
check "the old outputs are kept after a SIGKILL" \
  '[ "$(cat "$work/trace.csv")" = "old trace" ] && [ "$(cat "$work/report.csv")" = "old report" ]'
check "nothing is left beside them: $(ls -A "$work" | tr "\n" " ")" \
  '[ "$(ls -A "$work" | tr "\n" " ")" = "report.csv trace.csv " ]'

exit $((failures > 0))
