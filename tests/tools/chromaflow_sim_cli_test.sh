#!/usr/bin/env bash
# chromaflow-sim as a user runs it: exit codes, whole-or-nothing outputs, the example job.
set -u
sim="$1"
example="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { if ! eval "$2"; then echo "FAILED: $1"; failures=$((failures + 1)); fi; }
discard="$work/discarded"  # what a run says that no check reads
# Devices of the test's own, never the machine's: a full one for outputs that must fail, a null
# one to take a trace. Only root makes them; without them their checks are skipped, and said so.
devices=yes
mknod "$work/full" c 1 7 2>"$discard" && mknod "$work/null" c 1 3 2>"$discard" && : >"$work/null" 2>"$discard" &&
  ! echo x 2>"$discard" >"$work/full" || devices=""
[ -n "$devices" ] || echo "SKIPPED: the checks of a full output and a null trace (no device of our own: not root?)"

"$sim" --bogus >"$discard" 2>&1; code=$?
check "an unknown option is a usage error" '[ $code -eq 2 ]'
"$sim" --replay x --machine >"$discard" 2>&1; code=$?
check "--replay and --machine exclude each other" '[ $code -eq 2 ]'

printf '0000;0\nnot a line\n' > "$work/bad.replay"
"$sim" --replay "$work/bad.replay" --trace "$work/trace.csv" 2>"$work/err"; code=$?
check "a bad replay exits non-zero" '[ $code -ne 0 ]'
check "a bad replay names its line" 'grep -q "ligne 2" "$work/err"'
check "a bad replay writes no trace" '[ ! -e "$work/trace.csv" ]'

"$sim" "$work/none.prv" --machine >"$discard" 2>&1; code=$?
check "a missing project exits non-zero" '[ $code -ne 0 ]'
"$sim" "$example" --machine --trace "$work/no/such/dir/t.csv" >"$discard" 2>&1; code=$?
check "an unwritable trace exits non-zero" '[ $code -ne 0 ]'

"$sim" "$example" --save-as "$work/copy.prv"; code=$?
check "save-as succeeds" '[ $code -eq 0 ]'
for ext in prv sev spv cov; do
  check "save-as writes the .$ext" '[ -s "$work/copy.$ext" ]'
done

# What the open met goes to standard error once, whatever the run: here a plan row whose
# distance is not a number, and the colours' file missing.
cp "$example" "$work/odd.prv"
cp "$(dirname "$example")/wall.sev" "$work/odd.sev"
sed 's/^3;9.00;100;/3;nan;100;/' "$(dirname "$example")/wall.spv" > "$work/odd.spv"
for args in "--machine --seconds 1" "--save-as $work/odd-copy.prv"; do
  "$sim" "$work/odd.prv" $args >"$work/out" 2>"$work/err"; code=$?
  check "the open's report is on standard error [$args]" \
    '[ $code -eq 0 ] && [ "$(grep -c "^À l.ouverture de odd.prv :$" "$work/err")" -eq 1 ] &&
     grep -qx -- "- $work/odd.cov : introuvable ; son dialogue d.ouverture a été proposé et rien n.a été ouvert" "$work/err" &&
     grep -q -- "^- $work/odd.spv : ligne 10 \"3;nan;100;.*\" : la distance .* ; la ligne est laissée de côté$" "$work/err" &&
     ! grep -q "ouverture" "$work/out"'
done
check "the save goes on without the row left out" '[ -s "$work/odd-copy.spv" ] && ! grep -q "nan" "$work/odd-copy.spv"'

# The operator's edits replayed, the project saved after them: the warnings on standard error,
# the refused entry silent, the edits in the saved files, the files opened untouched.
printf '0000;0;surface-ok=5:2.5:4,prop-ok=5:5:40\n0000;0;prop-ok=5:5%%2E0:50,panel=EditRetard:2%%2C5,panel=EditRetard:1.2\n' \
  > "$work/edits.replay"
"$sim" "$example" --replay "$work/edits.replay" --save-after "$work/edited.prv" >"$work/out" 2>"$work/err"; code=$?
check "save-after succeeds" '[ $code -eq 0 ] && grep -q "enregistré sous $work/edited.prv" "$work/out"'
check "save-after writes the edits" 'grep -q "^5;2.50;4.00;10.00;18.00;42.40" "$work/edited.spv" && grep -q "^Retard(l)=1.20" "$work/edited.sev"'
check "a duplicate distance is warned with its line" \
  '[ "$(cat "$work/err")" = "line 2: warning: Une autre proportion est déjà définie à la distance 5.00 mètres. Try an other." ]'
check "the opened project is left as it was" '! grep -q "^5;" "$(dirname "$example")/wall.spv"'
printf '0000;0;prop-ok=5:5\n' > "$work/short.replay"
"$sim" "$example" --replay "$work/short.replay" --save-after "$work/never.prv" >"$discard" 2>"$work/err"; code=$?
check "a malformed action stops the replay, naming its line" \
  '[ $code -eq 1 ] && grep -q "ligne 1 : prop-ok attend 3 valeurs" "$work/err" && [ ! -e "$work/never.prv" ]'
"$sim" "$example" --replay "$work/edits.replay" --save-after "$work/no/such/dir/e.prv" >"$discard" 2>&1; code=$?
check "an unwritable save-after exits non-zero" '[ $code -eq 1 ]'

"$sim" "$example" --machine --trace "$work/run.csv" >"$work/summary"; code=$?
check "the example paints" '[ $code -eq 0 ]'
check "the summary gives the area" 'grep -q "Surface peinte" "$work/summary"'
check "the summary compares with the mixing lead" \
  'grep -q "^Mélange posé / plan .*(sans compensation)$" "$work/summary" && grep -q "^  avec compensation" "$work/summary"'
"$sim" "$example" --machine --mixing-lead --seconds 30 >"$work/led"; code=$?
check "--mixing-lead leads the mix" '[ $code -eq 0 ] && grep -q "(avec compensation)$" "$work/led" && grep -q "^  sans compensation" "$work/led"'
check "the trace has the machine columns" 'head -1 "$work/run.csv" | grep -q "LaidProportion"'
check "the trace has a row per tick" '[ $(wc -l < "$work/run.csv") -gt 4000 ]'

"$sim" "$example" --machine --seconds 1 --trace - 2>"$discard" | tail -1 >"$work/last"
check "one simulated second is 50 ticks" 'cut -d, -f1,2 "$work/last" | grep -qx "49,1000"'

timeout 60 "$sim" "$example" --machine --fault roller=stop@5 >"$work/stopped" 2>&1; code=$?
check "a stopped roller ends the run" '[ $code -eq 0 ] && grep -q "pas bougé" "$work/stopped"'

# Numbers: finite and in range, or refused at once (never a run that cannot end).
for bad in "--speed 0" "--speed -1" "--speed nan" "--speed inf" "--speed 1e999" "--speed 1001" "--speed 0.05" \
           "--seconds inf" "--seconds 1e7" "--seconds nan" "--fault p1=nan@1" "--fault p1=11@1" \
           "--fault p1=1.1@inf" "--fault p2=1@-1" "--fault roller=0.5@1"; do
  timeout 10 "$sim" "$example" --machine $bad >"$discard" 2>"$work/err"; code=$?
  check "$bad is refused with status 2" '[ $code -eq 2 ] && grep -q "n.est pas un nombre\|ne peut que" "$work/err"'
done
timeout 60 "$sim" "$example" --machine --fault roller=0@5 >"$work/stopped" 2>&1; code=$?
check "roller=0@T is a stopped roller" '[ $code -eq 0 ] && grep -q "pas bougé" "$work/stopped"'

# --option=value as well as --option value; help, version, unknown options.
"$sim" "$example" --machine --seconds=1 --speed=20 --trace=- 2>"$discard" | tail -1 >"$work/last"
check "--option=value is read" 'cut -d, -f1,2 "$work/last" | grep -qx "49,1000"'
"$sim" --help >"$work/out" 2>"$work/err"; code=$?
check "--help goes to standard output with status 0" '[ $code -eq 0 ] && grep -q "usage" "$work/out" && [ ! -s "$work/err" ]'
"$sim" --version >"$work/out"; code=$?
check "--version gives the version" '[ $code -eq 0 ] && grep -q "^chromaflow-sim (ChromaFlow) [0-9]" "$work/out"'
"$sim" -x "$example" >"$discard" 2>&1; code=$?
check "a short unknown option is an option error, not a project" '[ $code -eq 2 ]'
"$sim" "$example" --machine=yes >"$discard" 2>&1; code=$?
check "a flag given a value is refused" '[ $code -eq 2 ]'

# Options that a replay would silently ignore are refused.
printf '0000;0;start\n' > "$work/one.replay"
for extra in "--seconds 5" "--speed 5" "--fault p1=1.1@0"; do
  "$sim" "$example" --replay "$work/one.replay" $extra >"$discard" 2>&1; code=$?
  check "$extra with --replay is refused" '[ $code -eq 2 ]'
done
"$sim" "$example" --speed 5 >"$discard" 2>&1; code=$?
check "--speed without --machine is refused" '[ $code -eq 2 ]'

# Refused replay entries are reported with their line.
printf '0000;0;start\n0000;0;distance=abc\n# note\n0000;0;p1-litres=-1\n' > "$work/refused.replay"
"$sim" "$example" --replay "$work/refused.replay" >"$discard" 2>"$work/err"; code=$?
check "a replay with refused entries still runs" '[ $code -eq 0 ]'
check "a refused distance names its line" 'grep -q "ligne 2 : distance=abc refusée" "$work/err"'
check "a refused litre entry names its line" 'grep -q "ligne 4 : p1-litres=-1 refusée" "$work/err"'

# Nothing to do is never a silent success.
"$sim" >"$work/out" 2>"$work/err"; code=$?
check "no argument prints the usage with status 2" '[ $code -eq 2 ] && grep -q "usage" "$work/err"'
"$sim" "$example" >"$work/out" 2>&1; code=$?
check "a project alone shows its figures" '[ $code -eq 0 ] && grep -q "Surfaces *: 4" "$work/out"'

# A plan with nothing to paint names the plan file and why.
cp "$example" "$work/noplan.prv"
"$sim" "$work/noplan.prv" --machine >"$discard" 2>"$work/err"; code=$?
check "a missing plan names its file" '[ $code -ne 0 ] && grep -q "noplan.spv" "$work/err"'
"$sim" --machine --trace "$work/t.csv" >"$discard" 2>"$work/err"; code=$?
check "no project: says there is none" '[ $code -ne 0 ] && grep -q "aucun projet" "$work/err" && [ ! -e "$work/t.csv" ]'
"$sim" "$example" --machine --trace "$work" >"$discard" 2>"$work/err"; code=$?
check "a folder as trace is refused" '[ $code -ne 0 ]'

# The summary: the control's figures first, a verdict last, alarms named once.
head -1 "$work/summary" >"$work/first"
check "the summary leads with laid against predicted mix" 'grep -q "^Mélange posé / prévu" "$work/first"'
check "the summary ends with a verdict" 'tail -1 "$work/summary" | grep -q "^Verdict *: plan posé comme prévu, à 1.00 point près"'
"$sim" "$example" --machine --fault p1=1.1@0 >"$work/fast"
check "the verdict names the alarm held longest" 'tail -1 "$work/fast" | grep -q "alarme la plus tenue : P1 trop rapide"'
check "alarm captions are not doubled" '! grep -q "Alarme: " "$work/fast"'

# What goes to standard output must reach it: a full disk or a closed output is a failure, said
# once on standard error, never a silent success. The trace on standard output stops at its first
# refused row.
if [ -n "$devices" ]; then
  for args in "--machine" "" "--save-as $work/saved.prv" "--help" "--machine --seconds 1 --trace -"; do
    "$sim" "$example" $args >"$work/full" 2>"$work/err"; code=$?
    check "a full standard output fails [$args]" \
      '[ $code -eq 1 ] && [ "$(grep -c "^chromaflow-sim : écriture sur la sortie standard impossible : ." "$work/err")" -eq 1 ]'
  done
  check "the project is saved even when its summary is lost" '[ -s "$work/saved.spv" ]'
fi
"$sim" "$example" >&- 2>"$work/err"; code=$?
check "a closed standard output fails" '[ $code -eq 1 ] && grep -q "sortie standard impossible" "$work/err"'

# A named pipe: refused at once when nobody reads it, written whole when someone does (more than
# the pipe holds, so the writes must wait for the reader).
mkfifo "$work/fifo"
timeout 20 "$sim" "$example" --machine --seconds 1 --trace "$work/fifo" >"$discard" 2>"$work/err"; code=$?
check "a pipe nobody reads is refused at once" '[ $code -eq 1 ] && grep -q "fifo : personne ne lit ce tube" "$work/err"'
exec 3<>"$work/fifo"  # a reader already there, so that cat's own open does not wait
cat "$work/fifo" >"$work/fifo.csv" 3>&- &
reader=$!
"$sim" "$example" --machine --seconds 30 --trace "$work/fifo" >"$discard" 2>"$work/err"; code=$?
exec 3>&-
wait $reader
check "a pipe with a reader gets every row" '[ $code -eq 0 ] && [ $(wc -l < "$work/fifo.csv") -eq 1501 ] && [ ! -s "$work/err" ]'
if [ -n "$devices" ]; then
  "$sim" "$example" --machine --seconds 1 --trace "$work/null" >"$discard"; code=$?
  check "a null device takes a trace" '[ $code -eq 0 ] && [ -c "$work/null" ]'
fi

# The job record of a run, as CSV.
"$sim" "$example" --report "$work/r.csv" >"$discard" 2>&1; code=$?
check "--report without a run is refused" '[ $code -eq 2 ] && [ ! -e "$work/r.csv" ]'
"$sim" "$example" --machine --report "$work/r.txt" >"$discard" 2>&1; code=$?
check "--report needs .csv or .pdf" '[ $code -eq 2 ] && [ ! -e "$work/r.txt" ]'
"$sim" "$example" --machine --report "$work/r.csv" >"$work/out"; code=$?
check "--report writes the CSV record" '[ $code -eq 0 ] && head -1 "$work/r.csv" | grep -q "^kind,index,from_m" && [ $(grep -c "^surface," "$work/r.csv") -eq 4 ]'
check "--report says where it wrote" 'tail -1 "$work/out" | grep -q "Rapport de chantier écrit"'
"$sim" "$example" --machine --report "$work/no/such/r.csv" >"$discard" 2>&1; code=$?
check "an unwritable report exits non-zero" '[ $code -eq 1 ]'

# The job sheet, when the tool draws (built with Qt).
"$sim" "$example" --machine --report "$work/r.pdf" >"$discard" 2>"$work/err"; code=$?
if ! grep -q "sans Qt" "$work/err"; then
  check "--report writes a PDF that opens" '[ $code -eq 0 ] && pdfinfo "$work/r.pdf" | grep -q "^Pages: *2"'
fi

# The job history: two simulated jobs kept in a new SQLite file and listed back, newest first;
# a history that cannot be written fails the run.
"$sim" "$example" --machine --fault p2=0.8@20 --history "$work/h.sqlite" >"$work/out" 2>&1; code=$?
check "--history keeps the job" '[ $code -eq 0 ] && grep -q "Chantier gardé dans l.historique" "$work/out"'
"$sim" "$example" --machine --speed 20 --history "$work/h.sqlite" >"$discard" 2>&1
"$sim" --history-list "$work/h.sqlite" >"$work/list" 2>&1; code=$?
check "--history-list lists both jobs" '[ $code -eq 0 ] && [ $(wc -l <"$work/list") -eq 2 ]'
check "the faulty job is judged out of tolerance" 'grep -q "wall.prv.*32\.[34].*hors tolérance" "$work/list"'
"$sim" --history-list "$work/h.sqlite" --since 2999-01-01 >"$work/list" 2>&1; code=$?
check "--since leaves the older jobs out" '[ $code -eq 0 ] && [ ! -s "$work/list" ]'
"$sim" --history-list "$work/none.sqlite" >"$discard" 2>&1; code=$?
check "a missing history is an error and is not made" '[ $code -eq 1 ] && [ ! -e "$work/none.sqlite" ]'
# A run that fails half-way (its trace's reader gone) still ends its job in the history.
( set -o pipefail; trap '' PIPE; "$sim" "$example" --machine --history "$work/cut.sqlite" --trace - 2>"$discard" | head -c 300000 >"$discard" ); code=$?
"$sim" --history-list "$work/cut.sqlite" >"$work/list" 2>&1
check "a failed run ends its job in the history" '[ $code -ne 0 ] && [ $(wc -l <"$work/list") -eq 1 ] && ! grep -q "en cours" "$work/list"'
yes "pas un historique" | head -c 4096 >"$work/damaged.sqlite"
"$sim" "$example" --machine --history "$work/damaged.sqlite" >"$work/out" 2>&1; code=$?
check "a damaged history fails the run, saying so" '[ $code -eq 1 ] && grep -q -- "--history" "$work/out"'
# Targets that keep nothing are refused before anything runs, and leave nothing behind; a path
# holding "=" is a file's.
mkdir "$work/here" "$work/lot=3"
for target in "" ":memory:" "file:h.sqlite?mode=memory"; do
  ( cd "$work/here" && "$sim" "$example" --machine --history "$target" ) >"$work/out" 2>&1; code=$?
  ( cd "$work/here" && "$sim" --history-list "$target" ) >"$work/out" 2>&1; listCode=$?
  check "the target \"$target\" is refused" '[ $code -eq 2 ] && [ $listCode -eq 2 ] && [ -z "$(ls -A "$work/here")" ]'
done
"$sim" "$example" --machine --seconds 5 --history "$work/lot=3/h.sqlite" >"$work/out" 2>&1; code=$?
check "a path holding = is a file" '[ $code -eq 0 ] && [ -s "$work/lot=3/h.sqlite" ]'
# A list only reads: an empty file stays empty.
: >"$work/empty.sqlite"
"$sim" --history-list "$work/empty.sqlite" >"$work/list" 2>&1; code=$?
check "an empty file lists no job and stays empty" '[ $code -eq 0 ] && [ ! -s "$work/list" ] && [ ! -s "$work/empty.sqlite" ]'
for since in -001-01-01 +202-01-01 2024-02-30; do
  "$sim" --history-list "$work/h.sqlite" --since "$since" >"$work/out" 2>&1; code=$?
  check "--since $since is refused" '[ $code -eq 2 ]'
done

[ $failures -eq 0 ] && echo "all chromaflow-sim checks passed"
exit $failures
