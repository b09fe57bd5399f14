#!/usr/bin/env bash
# Replays the kept scenarios and compares traces, summaries and saved projects byte for byte
# with the outputs recorded when they were made: a change of the core that should not change
# behaviour must leave them all as they are.
set -u
sim="$1"
here="$(cd "$(dirname "$0")" && pwd)"
examples="$here/../../examples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
discard="$work/discarded"  # what a run says that no check reads
same() {
  if ! cmp -s "$1" "$2"; then
    echo "DIFFERS: $3"; diff "$1" "$2" | head -5; failures=$((failures + 1))
  fi
}

"$sim" "$examples/wall.prv" --replay "$here/painting.replay" --trace "$work/painting.csv" >"$work/painting.summary" 2>"$discard"
same "$here/expected_painting.csv" "$work/painting.csv" "trace of the example job's replay"
same "$here/expected_painting.summary" "$work/painting.summary" "summary of the example job's replay"
"$sim" "$here/full_hose.prv" --replay "$here/full_hose.replay" --trace "$work/full_hose.csv" >"$work/full_hose.summary" 2>"$discard"
same "$here/expected_full_hose.csv" "$work/full_hose.csv" "trace of the full-hose replay"
same "$here/expected_full_hose.summary" "$work/full_hose.summary" "summary of the full-hose replay"
"$sim" --replay "$here/painting.replay" --trace "$work/no_project.csv" >"$discard" 2>&1
same "$here/expected_no_project.csv" "$work/no_project.csv" "trace of a replay without a project"

mkdir "$work/saved"
"$sim" "$examples/wall.prv" --save-as "$work/saved/wall.prv"
"$sim" "$here/full_hose.prv" --save-as "$work/saved/full_hose.prv"
for file in "$here"/saved/*; do
  same "$file" "$work/saved/$(basename "$file")" "saved $(basename "$file")"
done

[ $failures -eq 0 ] && echo "all kept outputs are unchanged"
exit $failures
