#!/usr/bin/env bash
# Runs each fuzz target for SECONDS on a scratch copy of its seed corpus.
# usage: tests/fuzz/run.sh BUILD_DIR SECONDS TARGET...
# A crash, leak, timeout or failed check fails the run; its scratch directory
# (with the crash input) is kept and named.
set -euo pipefail
build=$1 seconds=$2
shift 2
src=$(cd "$(dirname "$0")" && pwd)
status=0
summary=()
for t in "$@"; do
  work=$(mktemp -d "${TMPDIR:-/tmp}/nvrfuzz-$t.XXXXXX")
  mkdir "$work/corpus"
  cp "$src/corpus/$t/"* "$work/corpus/"
  dict=()
  [ -f "$src/$t.dict" ] && dict=(-dict="$src/$t.dict")
  echo "== $t: ${seconds}s"
  # The target's device root goes to the scratch directory too (a crash skips its clean-up).
  if TMPDIR="$work" "$build/bin/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
       "${dict[@]}" -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    summary+=("$t: ok, ${runs:-?} runs in ${seconds}s")
    rm -rf "$work"
  else
    tail -n 40 "$work/log"
    summary+=("$t: FAILED, log and input in $work")
    status=1
  fi
done
printf '%s\n' "${summary[@]}"
exit $status
