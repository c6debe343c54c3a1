#!/usr/bin/env bash
# Whole-process batch timings: `imbrino-cli batch` stamping a half-transparent
# 300 x 100 logo onto K photo-like 12-megapixel JPEGs, next to
#   - the floor: bench/jpeg_roundtrip, the same JPEG decode and encode (quality
#     99, 4:4:4, markers kept, files flushed) with no stamp at all;
#   - ImageMagick 6 (one mogrify) and libvips (one vips per picture) doing the
#     same stamp at the same settings, with their default threading and with
#     one thread.
# Every case runs --runs times (two by default) and the fastest counts: wall
# time, CPU time (user + system) and peak resident memory, from GNU time.
#
#   bench/batch_bench.sh [--photos K] [--runs N] [--build-dir DIR] [--work DIR]
#                        [--wait-idle SECONDS] [--fresh-inputs] [--no-others]
#
#   --photos K          how many pictures (default 8)
#   --runs N            runs of every case; the fastest counts (default 2)
#   --build-dir DIR     build in DIR (RelWithDebInfo) instead of the default preset
#   --work DIR          inputs and outputs (default build/bench/batch); the photos
#                       are made once and kept
#   --wait-idle S       wait up to S seconds for the machine to fall quiet (1-minute
#                       load average below 0.5) before timing
#   --fresh-inputs      make the photos again even when they are there
#   --no-others         only the floor and imbrino-cli (no ImageMagick, no libvips)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

count=8
runs=2
build_dir=
work=$source_dir/build/bench/batch
wait_idle=0
fresh_inputs=0
others=1
while (($#)); do
  case $1 in
    --photos) count=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --wait-idle) wait_idle=$2; shift 2 ;;
    --fresh-inputs) fresh_inputs=1; shift ;;
    --no-others) others=0; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "batch_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
[[ $count =~ ^[1-9][0-9]?$ ]] || { echo "batch_bench: --photos takes 1 to 99" >&2; exit 2; }
[[ $runs =~ ^[1-9]$ ]] || { echo "batch_bench: --runs takes 1 to 9" >&2; exit 2; }

die() { echo "batch_bench: $*" >&2; exit 1; }
say() { printf '+ %s\n' "$*"; }

# --- tools ------------------------------------------------------------------
# Installed only when missing, with what the project itself needs.
packages=(time)
((others)) && packages+=(imagemagick libvips-tools)
say scripts/setup-debian.sh "${packages[@]}"
scripts/setup-debian.sh "${packages[@]}" >/dev/null
if ((others)); then
  # ImageMagick 6's own binary: Debian installs `mogrify` as an alternatives
  # link to it, and anything else of that name earlier in PATH is not it.
  mogrify_bin=$(command -v mogrify-im6.q16 || command -v mogrify) || die "ImageMagick's mogrify not found"
  vips_bin=$(command -v vips) || die "vips not found"
fi

# --- build ------------------------------------------------------------------
targets=(imbrino-cli jpeg_roundtrip batch_inputs)
if [[ -n $build_dir ]]; then
  say cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  say cmake --build "$build_dir" --target "${targets[@]}"
  cmake --build "$build_dir" --target "${targets[@]}" -j "$(nproc)" >/dev/null
else
  build_dir=$source_dir/build/default
  say cmake --preset default
  cmake --preset default >/dev/null
  say cmake --build --preset default --target "${targets[@]}"
  cmake --build --preset default --target "${targets[@]}" >/dev/null
fi
cli=$build_dir/apps/imbrino-cli/imbrino-cli
roundtrip=$build_dir/bench/jpeg_roundtrip
inputs_tool=$build_dir/bench/batch_inputs
"$cli" batch --help >/dev/null 2>&1 || die "this imbrino-cli has no batch command yet"

# --- inputs -----------------------------------------------------------------
photo_dir=$work/photos
mkdir -p "$photo_dir" "$work/out"
photos=()
for ((i = 1; i <= count; ++i)); do photos+=("$photo_dir/$(printf 'photo-%02d.jpg' "$i")"); done
need_photos=$fresh_inputs
for f in "${photos[@]}"; do [[ -f $f ]] || need_photos=1; done
if ((need_photos)); then
  say batch_inputs --photos "$photo_dir" "$count"
  "$inputs_tool" --photos "$photo_dir" "$count" >/dev/null
fi
logo_src=$work/logo.src
logo_png=$work/logo.png
say batch_inputs --template "$logo_src"
"$inputs_tool" --template "$logo_src" >/dev/null
say batch_inputs --logo-png "$logo_png"
"$inputs_tool" --logo-png "$logo_png" >/dev/null

# The picture and logo sizes batch_inputs makes; the other tools are given the
# centre offset imbrino computes for its default anchor.
photo_w=4000 photo_h=3000 logo_w=300 logo_h=100
x=$(((photo_w - logo_w) / 2)) y=$(((photo_h - logo_h) / 2))
# is_full_size FILE: imbrino reads FILE as a picture of the photos' size.
is_full_size() {
  local json
  json=$("$cli" info "$1" 2>/dev/null) || return 1
  json=${json//[$' \n']/}
  [[ $json == *"\"width\":$photo_w,\"height\":$photo_h"* ]]
}
is_full_size "${photos[0]}" || die "${photos[0]} is not $photo_w x $photo_h"

# --- the cases --------------------------------------------------------------
# Each case is a function given its output folder. Settings as imbrino writes:
# quality 99, no chroma subsampling, no optimised Huffman tables (ImageMagick
# optimises them by default, which is another pass over the picture).
# ImageMagick: one mogrify for all pictures, 10-15 % faster here than a loop of
# `convert IN LOGO -gravity center -composite OUT` with the same pixels out.
# libvips has no many-files command: one `vips` per picture, in a loop that
# gets the output folder, then the pictures.
# shellcheck disable=SC2016  # expanded by the loop's own shell
vips_loop='out=$1; shift
for f; do "$VIPS" composite2 "$f" "$LOGO" "$out/${f##*/}[Q=99,subsample-mode=off]" over \
  --x "$X" --y "$Y"; done'

floor_jobs() { run "$roundtrip" --jobs "$1" --out "$2" "${photos[@]}"; }
imbrino_jobs() { run "$cli" batch --template "$logo_src" --out "$2" --jobs "$1" "${photos[@]}"; }
run_magick() {
  run "$mogrify_bin" -path "$1" -gravity center -draw "image Over 0,0 0,0 '$logo_png'" \
    -quality 99 -sampling-factor 1x1 -define jpeg:optimize-coding=false "${photos[@]}"
}
run_vips() { VIPS=$vips_bin LOGO=$logo_png X=$x Y=$y run bash -c "$vips_loop" loop "$1" "${photos[@]}"; }
case_floor1() { floor_jobs 1 "$1"; }
case_floor2() { floor_jobs 2 "$1"; }
case_imbrino1() { imbrino_jobs 1 "$1"; }
case_imbrino2() { imbrino_jobs 2 "$1"; }
case_magick() { run_magick "$1"; }
case_magick1() { MAGICK_THREAD_LIMIT=1 run_magick "$1"; }
case_vips() { run_vips "$1"; }
case_vips1() { VIPS_CONCURRENCY=1 run_vips "$1"; }

names=() cases=()
add_case() {
  names+=("$1")
  cases+=("$2")
}
add_case "floor jpeg_roundtrip --jobs 1" case_floor1
add_case "floor jpeg_roundtrip --jobs 2" case_floor2
add_case "imbrino-cli batch --jobs 1" case_imbrino1
add_case "imbrino-cli batch --jobs 2" case_imbrino2
if ((others)); then
  add_case "ImageMagick mogrify, default threads" case_magick
  add_case "ImageMagick mogrify, 1 thread" case_magick1
  add_case "vips composite2, default threads" case_vips
  add_case "vips composite2, 1 thread" case_vips1
fi

echo
echo "What runs (IN = each photo, OUT = the case's folder; X = $x, Y = $y):"
echo "  floor:       $roundtrip --jobs N --out OUT FILES..."
echo "  imbrino:     $cli batch --template $logo_src --out OUT --jobs N FILES..."
if ((others)); then
  echo "  ImageMagick: $mogrify_bin -path OUT -gravity center -draw \"image Over 0,0 0,0 '$logo_png'\" -quality 99 -sampling-factor 1x1 -define jpeg:optimize-coding=false FILES..."
  echo "               default threads, and MAGICK_THREAD_LIMIT=1"
  echo "  vips:        for each file: $vips_bin composite2 IN $logo_png 'OUT/NAME[Q=99,subsample-mode=off]' over --x $x --y $y"
  echo "               default threads, and VIPS_CONCURRENCY=1"
fi
echo "  each whole command (for vips, the whole loop) under /usr/bin/time -f '%e %U %S %M'"

if ((wait_idle > 0)); then
  waited=0
  while (($(awk '{print ($1 < 0.5)}' /proc/loadavg) == 0 && waited < wait_idle)); do
    sleep 10
    waited=$((waited + 10))
  done
  echo "waited ${waited} s for a quiet machine"
fi

# run CMD...: CMD under GNU time; its figures go to $timing.
timing=$work/out/time.txt
log=$work/out/log.txt
run() { /usr/bin/time -f '%e %U %S %M' -o "$timing" "$@" >"$log" 2>&1; }

declare -A best_wall best_user best_sys best_rss
echo
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
for ((round = 1; round <= runs; ++round)); do
  for i in "${!names[@]}"; do
    name=${names[$i]}
    out=$work/out/case-$i
    rm -rf "$out"
    mkdir -p "$out"
    sync  # the previous case's files are on disk before this one starts
    printf '  run %d: %-40s' "$round" "$name"
    if ! "${cases[$i]}" "$out"; then
      echo " FAILED"
      cat "$log" >&2
      die "$name failed"
    fi
    read -r wall user sys rss < <(tail -n 1 "$timing")
    made=$(find "$out" -maxdepth 1 -type f -name '*.jpg' | wc -l)
    left=$(find "$out" -maxdepth 1 -type f ! -name '*.jpg' | wc -l)
    ((made == count && left == 0)) || die "$name wrote $made pictures (and $left other files), not $count"
    echo " $wall s"
    if [[ -z ${best_wall[$name]:-} ]] || awk -v a="$wall" -v b="${best_wall[$name]}" 'BEGIN { exit !(a < b) }'; then
      best_wall[$name]=$wall best_user[$name]=$user best_sys[$name]=$sys best_rss[$name]=$rss
    fi
  done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

# --- checks on the last run's pictures ----------------------------------------
floor_out=$work/out/case-0
first=${photos[0]##*/}
for i in "${!names[@]}"; do
  picture=$work/out/case-$i/$first
  is_full_size "$picture" || die "${names[$i]}: $picture is not a $photo_w x $photo_h picture"
  # Cases 0 and 1 are the floor; every other case stamps.
  if ((i >= 2)) && cmp -s "$picture" "$floor_out/$first"; then
    die "${names[$i]}: $picture is the unstamped picture"
  fi
done
# The camera's make, from the photos' EXIF record, found in the written file.
exif_kept="" exif_lost=""
for i in "${!names[@]}"; do
  label=" ${names[$i]%% --jobs*}"
  label="${label%%,*};"
  if grep -q "Imbrino Bench" "$work/out/case-$i/$first"; then
    [[ $exif_kept == *"$label"* ]] || exif_kept+=$label
  else
    [[ $exif_lost == *"$label"* ]] || exif_lost+=$label
  fi
done
echo "checked: every case wrote $count pictures; each first picture is $photo_w x $photo_h and stamped"
echo "the photos' EXIF record is kept by:${exif_kept:- none}"
echo "                         and lost by:${exif_lost:- none}"

# --- results ------------------------------------------------------------------
input_mb=$(du -cm "${photos[@]}" | tail -n 1 | cut -f1)
echo
echo "$count photos, $photo_w x $photo_h, quality 92, 4:2:0 ($input_mb MB together); logo $logo_w x $logo_h at the centre"
echo "best of $runs runs; CPU = user + system; peak RSS = the largest process"
printf '%-40s %8s %8s %8s %8s %10s %12s\n' case "wall s" "user s" "sys s" "CPU s" "ms/photo" "peak RSS MiB"
for name in "${names[@]}"; do
  awk -v n="$name" -v w="${best_wall[$name]}" -v u="${best_user[$name]}" -v s="${best_sys[$name]}" \
    -v m="${best_rss[$name]}" -v k="$count" \
    'BEGIN { printf "%-40s %8.2f %8.2f %8.2f %8.2f %10.0f %12.1f\n", n, w, u, s, u + s, 1000 * w / k, m / 1024 }'
done

# ratio LABEL A B [TARGET-TEXT]: wall and CPU of case A over case B.
ratio() {
  awk -v l="$1" -v wa="${best_wall[$2]}" -v wb="${best_wall[$3]}" \
    -v ca="$(awk -v u="${best_user[$2]}" -v s="${best_sys[$2]}" 'BEGIN{print u+s}')" \
    -v cb="$(awk -v u="${best_user[$3]}" -v s="${best_sys[$3]}" 'BEGIN{print u+s}')" -v t="${4:-}" \
    'BEGIN { printf "%-52s %6.2f %6.2f   %s\n", l, wa / wb, ca / cb, t }'
}
echo
printf '%-52s %6s %6s\n' ratio wall CPU
f1="floor jpeg_roundtrip --jobs 1" f2="floor jpeg_roundtrip --jobs 2"
i1="imbrino-cli batch --jobs 1" i2="imbrino-cli batch --jobs 2"
ratio "imbrino jobs 1 / floor jobs 1" "$i1" "$f1" "target: wall <= 1.15"
ratio "imbrino jobs 2 / floor jobs 2" "$i2" "$f2"
ratio "imbrino jobs 1 / imbrino jobs 2 (scaling)" "$i1" "$i2" "2 processors: ideal wall 2.00, CPU 1.00"
ratio "floor jobs 1 / floor jobs 2 (scaling)" "$f1" "$f2"
if ((others)); then
  ratio "ImageMagick default threads / imbrino jobs 2" "ImageMagick mogrify, default threads" "$i2"
  ratio "ImageMagick 1 thread / imbrino jobs 1" "ImageMagick mogrify, 1 thread" "$i1"
  ratio "vips default threads / imbrino jobs 2" "vips composite2, default threads" "$i2"
  ratio "vips 1 thread / imbrino jobs 1" "vips composite2, 1 thread" "$i1"
fi

# Memory: one decoded picture (4 bytes a pixel) and 32 MiB for everything else,
# per worker.
surface_kib=$((photo_w * photo_h * 4 / 1024))
for jobs in 1 2; do
  name="imbrino-cli batch --jobs $jobs"
  awk -v j="$jobs" -v m="${best_rss[$name]}" -v s="$surface_kib" \
    'BEGIN { t = j * (s + 32768); printf "imbrino jobs %d peak RSS %.1f MiB = %.2f x the target %.1f MiB (%d x (picture %.1f MiB + 32 MiB))\n", j, m / 1024, m / t, t / 1024, j, s / 1024 }'
done
