#!/usr/bin/env bash
# Builds every fuzz target with clang and libFuzzer in the folder given
# (default build-fuzz) and runs each one for the seconds given (default 60),
# starting from its seed corpus. Any crash, leak, undefined behaviour or
# timeout ends the script with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-fuzz}
seconds=${2:-60}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DREFORMAT_FUZZ=ON
mapfile -t targets < "$build/fuzz_targets.txt"
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets" >&2
  exit 1
fi
cmake --build "$build" -j2 --target "${targets[@]}"

for target in "${targets[@]}"; do
  # New inputs go to a scratch folder; the seed corpus in the tree is only
  # read.
  work="$build/fuzz-work/$target"
  mkdir -p "$work"
  corpus=()
  if [ -d "fuzz/corpus/$target" ]; then
    corpus=("fuzz/corpus/$target")
  fi
  echo "fuzzing $target for $seconds s"
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=512 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-work/$target-" "$work" "${corpus[@]}"
done
echo "fuzzing passed"
