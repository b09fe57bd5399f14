#!/usr/bin/env bash
# chromaflow-sim as a user runs it: exit codes, whole-or-nothing outputs, the example job.
set -u
sim="$1"
example="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { if ! eval "$2"; then echo "FAILED: $1"; failures=$((failures + 1)); fi; }

"$sim" --bogus >/dev/null 2>&1; code=$?
check "an unknown option is a usage error" '[ $code -eq 2 ]'
"$sim" --replay x --machine >/dev/null 2>&1; code=$?
check "--replay and --machine exclude each other" '[ $code -eq 2 ]'

printf '0000;0\nnot a line\n' > "$work/bad.replay"
"$sim" --replay "$work/bad.replay" --trace "$work/trace.csv" 2>"$work/err"; code=$?
check "a bad replay exits non-zero" '[ $code -ne 0 ]'
check "a bad replay names its line" 'grep -q "line 2" "$work/err"'
check "a bad replay writes no trace" '[ ! -e "$work/trace.csv" ]'

"$sim" "$work/none.prv" --machine >/dev/null 2>&1; code=$?
check "a missing project exits non-zero" '[ $code -ne 0 ]'
"$sim" "$example" --machine --trace "$work/no/such/dir/t.csv" >/dev/null 2>&1; code=$?
check "an unwritable trace exits non-zero" '[ $code -ne 0 ]'

"$sim" "$example" --save-as "$work/copy.prv"; code=$?
check "save-as succeeds" '[ $code -eq 0 ]'
for ext in prv sev spv cov; do
  check "save-as writes the .$ext" '[ -s "$work/copy.$ext" ]'
done

"$sim" "$example" --machine --trace "$work/run.csv" >"$work/summary"; code=$?
check "the example paints" '[ $code -eq 0 ]'
check "the summary gives the area" 'grep -q "Surface peinte" "$work/summary"'
check "the trace has the machine columns" 'head -1 "$work/run.csv" | grep -q "LaidProportion"'
check "the trace has a row per tick" '[ $(wc -l < "$work/run.csv") -gt 4000 ]'

"$sim" "$example" --machine --seconds 1 --trace - 2>/dev/null | tail -1 >"$work/last"
check "one simulated second is 50 ticks" 'cut -d, -f1,2 "$work/last" | grep -qx "49,1000"'

timeout 60 "$sim" "$example" --machine --fault roller=stop@5 >"$work/stopped" 2>&1; code=$?
check "a stopped roller ends the run" '[ $code -eq 0 ] && grep -q "not moved" "$work/stopped"'

[ $failures -eq 0 ] && echo "all chromaflow-sim checks passed"
exit $failures
