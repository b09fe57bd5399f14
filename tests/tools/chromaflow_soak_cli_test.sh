#!/usr/bin/env bash
# chromaflow-soak and chromaflow-card-demo as a user runs them: refused inputs stop at once,
# help and version, and a real card is never driven unasked.
set -u
soak="$1"
demo="$2"
example="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { if ! eval "$2"; then echo "FAILED: $1"; failures=$((failures + 1)); fi; }
discard="$work/discarded"  # what a run says that no check reads

for hours in 0 -1 nan inf 1e999 abc 20000; do
  timeout 10 "$soak" "$example" "$hours" >"$discard" 2>"$work/err"; code=$?
  check "soak: $hours hours is refused at once" '[ $code -eq 2 ] && grep -q "heures" "$work/err"'
done
"$soak" >"$discard" 2>"$work/err"; code=$?
check "soak: no project prints the usage" '[ $code -eq 2 ] && grep -q "usage" "$work/err"'
"$soak" "$example" --bogus >"$discard" 2>&1; code=$?
check "soak: an unknown option is an option error" '[ $code -eq 2 ]'

# A project without a plan: a clear message at once, not an endless run, after what the open met.
cp "$example" "$work/noplan.prv"
timeout 10 "$soak" "$work/noplan.prv" 1 >"$discard" 2>"$work/err"; code=$?
check "soak: a project with no plan stops at once naming the plan" \
  '[ $code -eq 1 ] && grep -q "rien à peindre : le plan $work/noplan.spv" "$work/err"'
check "soak: the open's report names the missing files" \
  '[ "$(head -1 "$work/err")" = "À l'"'"'ouverture de noplan.prv :" ] && grep -q "^- $work/noplan.sev : introuvable" "$work/err"'

"$soak" --help >"$work/out"; code=$?
check "soak: --help on standard output" '[ $code -eq 0 ] && grep -q "usage" "$work/out"'
"$soak" --version >"$work/out"; code=$?
check "soak: --version" '[ $code -eq 0 ] && grep -q "^chromaflow-soak (ChromaFlow) [0-9]" "$work/out"'
timeout 60 "$soak" "$example" --hours=0.05 >"$work/out"; code=$?
check "soak: --hours=H is read" '[ $code -eq 0 ] && grep -q "Temps simulé *: 0.05 h" "$work/out"'

"$demo" --help >"$work/out"; code=$?
check "card demo: --help on standard output" '[ $code -eq 0 ] && grep -q -- "--drive" "$work/out"'
"$demo" --version >"$work/out"; code=$?
check "card demo: --version" '[ $code -eq 0 ] && grep -q "^chromaflow-card-demo (ChromaFlow) [0-9]" "$work/out"'
"$demo" --bogus >"$discard" 2>&1; code=$?
check "card demo: an unknown option is an option error" '[ $code -eq 2 ]'
"$demo" stray >"$discard" 2>&1; code=$?
check "card demo: a stray argument is refused" '[ $code -eq 2 ]'

"$demo" >"$discard" 2>&1; code=$?
check "card demo: runs" '[ $code -eq 0 ]'

# What goes to standard output must reach it: a full disk is a failure, said on standard error.
# The full device is the test's own (c 1 7, as the machine's /dev/full); only root makes one.
if mknod "$work/full" c 1 7 2>"$discard" && ! echo x 2>"$discard" >"$work/full"; then
  timeout 60 "$soak" "$example" 0.05 >"$work/full" 2>"$work/err"; code=$?
  check "soak: a full standard output fails" \
    '[ $code -eq 1 ] && grep -q "^chromaflow-soak : écriture sur la sortie standard impossible : ." "$work/err"'
  "$soak" --help >"$work/full" 2>"$discard"; code=$?
  check "soak: --help on a full standard output fails" '[ $code -eq 1 ]'
  "$demo" >"$work/full" 2>"$work/err"; code=$?
  check "card demo: a full standard output fails" \
    '[ $code -eq 1 ] && grep -q "^chromaflow-card-demo : écriture sur la sortie standard impossible : ." "$work/err"'
else
  echo "SKIPPED: the checks of a full standard output (no full device of our own: not root?)"
fi

[ $failures -eq 0 ] && echo "all soak and card demo checks passed"
exit $failures
