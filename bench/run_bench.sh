#!/usr/bin/env bash
# Times whole runs of colreformat against the floor of such a run on the same
# machine, and prints the ratio of the medians and the peak memory.
#
#   bench/run_bench.sh [ROUNDS]    (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}

command -v /usr/bin/time >/dev/null || {
  echo "bench: installing time" >&2
  apt-get install -y -qq time >/dev/null
}

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j2 --target colreformat >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -O2 -o "$work/floor" bench/floor.cpp
program=$PWD/build-bench/src/reformat/colreformat

# big1.dat: 1000 series of 500 years, first years staggered from 1001 on.
# big2.dat: 200 series of 4800 years, first years staggered from -2800 on.
python3 - "$work" <<'PY'
import random, sys
random.seed(1)
def write(name, series, years, first):
    with open(f"{sys.argv[1]}/{name}", "w") as out:
        for k in range(series):
            ident = f"S{k:07d}"
            year = first + k
            # 999 would end a series early.
            values = [v if v != 999 else 998
                      for v in (random.randint(0, 99999) for _ in range(years))]
            values.append(999)
            line_year = year
            take = 10 - ((year % 10) + 10) % 10
            i = 0
            while i < len(values):
                fields = values[i:i + take]
                out.write(f"{ident:8s}{line_year:4d}" +
                          "".join(f"{v:6d}" for v in fields) + "\n")
                i += take
                line_year += take
                take = 10
write("big1.dat", 1000, 500, 1001)
write("big2.dat", 200, 4800, -2800)
PY

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

# Runs one command ROUNDS times in $work; prints the median seconds.
time_runs() {
  local times=()
  for _ in $(seq "$rounds"); do
    rm -f "$work"/*_bar
    local start end
    start=$(now)
    (cd "$work" && "$@") >/dev/null 2>&1
    end=$(now)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | median
}

peak_kb() {
  rm -f "$work"/*_bar
  (cd "$work" && /usr/bin/time -v "$@" 2>&1 >/dev/null) |
    awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}'
}

printf '%-22s %10s %10s %7s %12s\n' run seconds floor ratio "peak MB"
for input in big1.dat big2.dat; do
  for kind in plain plotting; do
    if [ "$kind" = plain ]; then answers="$input\nf\nf\n"; else answers="$input\nf\nt\n1\n"; fi
    printf "$answers" >"$work/answers"
    run=(sh -c "$program < answers")
    (cd "$work" && "${run[@]}") >/dev/null 2>&1
    # The floor writes as many bytes as the run's output files hold.
    bytes=$(cat "$work/${input%%.*}"_col $([ "$kind" = plain ] || echo "$work/${input%%.*}"_bar) | wc -c)
    t_run=$(time_runs "${run[@]}")
    t_floor=$(time_runs "$work/floor" "$input" floor.out "$bytes")
    kb=$(peak_kb "$program" <"$work/answers")
    printf '%-22s %10.3f %10.3f %7.2f %12.1f\n' "$input $kind" "$t_run" "$t_floor" \
      "$(echo "$t_run / $t_floor" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
  done
done
