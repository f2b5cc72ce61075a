#!/usr/bin/env bash
# A fuzzing campaign: builds the fuzz targets as the test command does, runs
# each for SECONDS (default 600) on all cores, merges the inputs that reach
# new code into the checked-in corpus fuzz/corpus/<target> (minimized, so it
# stays small), and prints one line per target with its executions, their
# rate, the corpus size and every crash, leak, time-out or out-of-memory
# with the input that caused it.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET ...]   (no target: all of them)
# TAV_FUZZ_JOBS=N runs on N cores instead of all.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS] [TARGET ...]" >&2; exit 2; }
scripts/deps.sh test
jobs=${TAV_FUZZ_JOBS:-$(nproc)}

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAV_FUZZ=ON -DTAV_BUILD_GUI=OFF -DTAV_BUILD_TESTS=OFF -DTAV_BUILD_BENCH=OFF \
  -DTAV_SANITIZE=OFF -DTAV_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs"

if (($# > 0)); then
  targets=("$@")
else
  mapfile -t targets < <(sed -n 's/^tav_add_fuzzer(\([a-z0-9_]*\).*/\1/p' fuzz/*.cmake | sort)
fi

# The dictionary of a target, if it has one: "<target> <file under fuzz/>".
dictionary() {
  [[ -f fuzz/dictionaries.txt ]] || return 0
  local file
  file=$(awk -v t="$1" '$1 == t { print $2 }' fuzz/dictionaries.txt)
  [[ -n $file ]] && echo "-dict=fuzz/$file"
  return 0
}

count() { find "$artifacts" -type f -name "$1-*" | wc -l; }

campaign=build-fuzz/campaign
summary=()
faults=0
for target in "${targets[@]}"; do
  exe=build-fuzz/fuzz/$target
  [[ -x $exe ]] || { echo "no such fuzz target: $target" >&2; exit 2; }
  work=$campaign/$target
  artifacts=$campaign/artifacts/$target
  rm -rf "$artifacts"
  mkdir -p "$work" "$artifacts" "fuzz/corpus/$target"
  log=$campaign/$target.log
  echo "== $target: $seconds s on $jobs cores (log: $log)"
  start=$(date +%s)
  # Faults do not end the run: each is counted and its input kept.
  # shellcheck disable=SC2046
  "$exe" -fork="$jobs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -artifact_prefix="$artifacts/" \
    $(dictionary "$target") "$work" "fuzz/corpus/$target" >"$log" 2>&1 || true
  elapsed=$(($(date +%s) - start))
  executions=$(sed -n 's/^#\([0-9]*\): cov:.*/\1/p' "$log" | tail -1)
  executions=${executions:-0}
  # What reaches new code joins the checked-in corpus; the rest, inputs that
  # only hit known code more often, stays in the work folder.
  "$exe" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 "fuzz/corpus/$target" "$work" \
    >"$campaign/$target.merge.log" 2>&1 || echo "   merge failed: see $campaign/$target.merge.log"
  files=$(find "fuzz/corpus/$target" -type f | wc -l)
  crashes=$(count crash) leaks=$(count leak) timeouts=$(count timeout) ooms=$(count oom)
  line=$(printf '%-26s %12s executions %8s/s  corpus %5s files  crash %s leak %s timeout %s oom %s' \
    "$target" "$executions" $((executions / (elapsed > 0 ? elapsed : 1))) "$files" \
    "$crashes" "$leaks" "$timeouts" "$ooms")
  summary+=("$line")
  if ((crashes + leaks + timeouts + ooms > 0)); then
    faults=$((faults + crashes + leaks + timeouts + ooms))
    while IFS= read -r input; do summary+=("    input: $input"); done \
      < <(find "$artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
  fi
done

echo
printf '%s\n' "${summary[@]}"
if ((faults > 0)); then
  echo "$faults fault(s) found; reproduce one with: build-fuzz/fuzz/<target> <input>"
  exit 1
fi
