#!/usr/bin/env bash
# imbrino-cli as scripts drive it, timed as whole processes (one run each):
#   start  --files-from with 100 000 paths: seconds until the first picture
#          is done (its line in --report-json)             target < 1 s
#   json   a batch of K 12-MP photos with --report-json, against the same
#          batch without it (best of --runs)               target <= 1.02
#   watch  imbrino-cli watch: from a 12-MP photo moved into the folder to
#          its output appearing, median of five            target < 1 s
#
#   bench/cli_scripts_bench.sh [--photos K] [--runs N] [--work DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

count=8
runs=5
work=$PWD/build/bench/cli-scripts
while (($#)); do
  case $1 in
    --photos) count=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "cli_scripts_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

scripts/setup-debian.sh time >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target imbrino-cli batch_inputs >/dev/null
build=$PWD/build/default
cli=$build/apps/imbrino-cli/imbrino-cli
inputs=$build/bench/batch_inputs
mkdir -p "$work/photos" "$work/many"
[[ -f $work/photos/photo-$(printf %02d "$count").jpg ]] || "$inputs" --photos "$work/photos" "$count" >/dev/null
"$inputs" --template "$work/logo.src" >/dev/null
photos=("$work"/photos/photo-*.jpg)
photos=("${photos[@]:0:count}")
logo=$work/logo.src
now() { date +%s.%N; }

# --- start: 100 000 paths, small pictures (hard links of one) -----------------
if [[ ! -f $work/many/list.txt ]]; then
  "$cli" render "$logo" "$work/many/seed.png" >/dev/null
  for ((folder = 0; folder < 4; ++folder)); do
    mkdir -p "$work/many/$folder"
    cp "$work/many/seed.png" "$work/many/$folder/p0.png"
    for ((i = 1; i < 25000; ++i)); do ln "$work/many/$folder/p0.png" "$work/many/$folder/p$i.png"; done
  done
  find "$work/many" -mindepth 2 -name '*.png' >"$work/many/list.txt"
fi
rm -rf "$work/many-out" "$work/first.jsonl"
started=$(now)
"$cli" batch --template "$logo" --out "$work/many-out" --files-from "$work/many/list.txt" \
  --quiet --report-json "$work/first.jsonl" >/dev/null 2>&1 &
pid=$!
while [[ ! -s $work/first.jsonl ]]; do sleep 0.005; done
first=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }')
kill -INT "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

# --- json: the report's cost on a batch ------------------------------------------
source bench/best_of.sh
plain=$(best "$cli" batch --template "$logo" --out "$work/out" --quiet "${photos[@]}")
json=$(best "$cli" batch --template "$logo" --out "$work/out" --quiet --report-json "$work/r.jsonl" "${photos[@]}")

# --- watch: arrival to output -----------------------------------------------------
rm -rf "$work/watch-in" "$work/watch-out" && mkdir -p "$work/watch-in"
"$cli" watch "$work/watch-in" --template "$logo" --out "$work/watch-out" >/dev/null 2>&1 &
watcher=$!
sleep 1
latencies=()
for ((i = 1; i <= 5; ++i)); do
  cp "${photos[0]}" "$work/arriving.jpg"
  started=$(now)
  mv "$work/arriving.jpg" "$work/watch-in/p$i.jpg"
  until [[ -f $work/watch-out/p$i.jpg ]]; do sleep 0.002; done
  latencies+=("$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')")
done
kill -TERM "$watcher"
wait "$watcher" 2>/dev/null || true
median=$(printf '%s\n' "${latencies[@]}" | sort -n | sed -n 3p)

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
echo "100 000 paths: first picture done after $first s                target < 1 s"
awk -v a="$json" -v b="$plain" -v k="$count" \
  'BEGIN { printf "%d 12-MP photos: --report-json %.2f s / %.2f s = %.3f   target <= 1.02\n", k, a, b, a / b }'
echo "watch: arrival to output, median of 5: $median s (${latencies[*]})   target < 1 s"
