#!/usr/bin/env bash
# Whole-process timings of marks fitted to their pictures, each against the
# same run without the option (best of --runs, default 5; wall time from GNU time):
#   scale  imbrino-cli batch of 24 mixed photos (48 MP down to 0.3 MP,
#          landscape and portrait) with --scale 20, against the same batch at
#          the logo's own size                            target <= 1.10
#   tile   imbrino-cli stamp of one 12-MP photo with --tile --tile-gap 100
#          (about 100 copies of the 300 x 100 logo), against one stamp of it
#                                                         target <= 1.5
#   angle  the same with --tile-angle 30                  target <= 2
#   auto   imbrino-cli batch of K 12-MP photos with --anchor auto, against
#          --anchor bottom-right                          target <= 1.05
#          and the same two with --jpeg keep              target <= 1.2
#
#   bench/mark_fit_bench.sh [--photos K] [--runs N] [--work DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

count=8
runs=5
work=$PWD/build/bench/mark-fit
while (($#)); do
  case $1 in
    --photos) count=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "mark_fit_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
[[ $count =~ ^[1-9][0-9]?$ ]] || { echo "mark_fit_bench: --photos takes 1 to 99" >&2; exit 2; }
[[ $runs =~ ^[1-9]$ ]] || { echo "mark_fit_bench: --runs takes 1 to 9" >&2; exit 2; }

scripts/setup-debian.sh time >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target imbrino-cli batch_inputs >/dev/null
build=$PWD/build/default
cli=$build/apps/imbrino-cli/imbrino-cli
inputs=$build/bench/batch_inputs

mkdir -p "$work/photos" "$work/mixed" "$work/out"
[[ -f $work/photos/photo-$(printf %02d "$count").jpg ]] || "$inputs" --photos "$work/photos" "$count" >/dev/null
[[ -f $work/mixed/mixed-24-640x480.jpg ]] || "$inputs" --mixed "$work/mixed" >/dev/null
"$inputs" --template "$work/logo.src" >/dev/null
photos=("$work"/photos/photo-*.jpg)
photos=("${photos[@]:0:count}")
mixed=("$work"/mixed/mixed-*.jpg)
logo=$work/logo.src

source bench/best_of.sh

batch() { best "$cli" batch --template "$logo" --out "$work/out" --jobs 2 "$@"; }
stamp() { best "$cli" stamp "$logo" "${photos[0]}" "$work/out/one.jpg" "$@"; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors; best of $runs"
mixed_plain=$(batch --anchor bottom-right "${mixed[@]}")
mixed_scaled=$(batch --anchor bottom-right --scale 20 "${mixed[@]}")
one=$(stamp)
tiled=$(stamp --tile --tile-gap 100)
turned=$(stamp --tile --tile-gap 100 --tile-angle 30)
fixed=$(batch --anchor bottom-right "${photos[@]}")
auto=$(batch --anchor auto "${photos[@]}")
fixed_keep=$(batch --anchor bottom-right --jpeg keep "${photos[@]}")
auto_keep=$(batch --anchor auto --jpeg keep "${photos[@]}")
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

ratio() {
  awk -v l="$1" -v a="$2" -v b="$3" -v t="$4" \
    'BEGIN { printf "%-48s %7.2f s / %7.2f s = %5.2f   target <= %s\n", l, a, b, a / b, t }'
}
ratio "24 mixed photos: --scale 20 / own size" "$mixed_scaled" "$mixed_plain" 1.10
ratio "12-MP stamp: --tile --tile-gap 100 / one copy" "$tiled" "$one" 1.5
ratio "12-MP stamp: --tile-angle 30 / one copy" "$turned" "$one" 2
ratio "$count 12-MP photos: --anchor auto / bottom-right" "$auto" "$fixed" 1.05
ratio "the same with --jpeg keep" "$auto_keep" "$fixed_keep" 1.2
