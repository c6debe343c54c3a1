#!/usr/bin/env bash
# Whole-process timings of `imbrino-cli stamp --jpeg keep`, which stamps the
# 300 x 100 logo into a JPEG's own DCT coefficients, on K photo-like
# 12-megapixel camera JPEGs (4000 x 3000, 4:2:0, quality 92, baseline, from
# batch_inputs --photos), with the logo at the bottom right and at the centre,
# next to
#   - `imbrino-cli stamp --jpeg reencode` (decode, compose, encode at quality
#     99, 4:4:4);
#   - `jpegtran -copy all IN > OUT`: the lossless limit, an entropy decode and
#     encode of the coefficients and nothing else (run with -outfile, which
#     writes the same bytes without a shell around it); also with -optimize,
#     as the keep path codes the files it cannot splice (progressive ones);
#   - `djpeg IN | cjpeg -quality 99 > OUT`: a plain decode and encode.
# Plus one line for the same photos coded progressive, logo at the bottom
# right: keep against jpegtran (as above, which writes a sequential file, and
# with -progressive, which keeps the file progressive as the keep path does).
#
# Every command runs once per photo, as its own process; a case's time is the
# total over the K photos, and the fastest of --runs runs counts. Wall time
# from the shell's clock around each process (microseconds), CPU time (user +
# system) and peak resident memory from GNU time. Outputs are flushed to disk
# between commands, untimed; imbrino-cli flushes its own files (fdatasync)
# inside its time, the reference tools do not.
#
# Then, on the last run's files: output size against the input; for the keep
# files, the pixels outside the whole 16 x 16 MCUs the logo touches against the
# input's (and the DCT blocks there, which must be identical), and the PSNR
# inside the logo's rectangle of the keep and reencode files against the exact
# composite (the input decoded and the logo drawn on it by the core, no JPEG
# step), with bench/jpeg_keep_check.
#
#   bench/jpeg_keep_bench.sh [--photos K] [--runs N] [--build-dir DIR] [--work DIR]
#                            [--fresh-inputs]
#
#   --photos K        how many photos (default 4)
#   --runs N          runs of every case; the fastest counts (default 1)
#   --build-dir DIR   build in DIR: an existing build keeps its build type
#                     (Debug and unset are refused), a new one is configured
#                     RelWithDebInfo; default: the default preset
#   --work DIR        inputs and outputs (default build/bench/jpeg-keep); the
#                     photos are made once and kept
#   --fresh-inputs    make the photos again even when they are there
set -euo pipefail
export LC_ALL=C  # a decimal point in $EPOCHREALTIME and in awk
cd "$(dirname "$0")/.."
source_dir=$PWD

count=4
runs=1
build_dir=
work=$source_dir/build/bench/jpeg-keep
fresh_inputs=0
while (($#)); do
  case $1 in
    --photos) count=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --fresh-inputs) fresh_inputs=1; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "jpeg_keep_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
[[ $count =~ ^[1-9][0-9]?$ ]] || { echo "jpeg_keep_bench: --photos takes 1 to 99" >&2; exit 2; }
[[ $runs =~ ^[1-9]$ ]] || { echo "jpeg_keep_bench: --runs takes 1 to 9" >&2; exit 2; }

die() { echo "jpeg_keep_bench: $*" >&2; exit 1; }
say() { printf '+ %s\n' "$*"; }

# --- tools ------------------------------------------------------------------
say scripts/setup-debian.sh time
scripts/setup-debian.sh time >/dev/null
for tool in jpegtran djpeg cjpeg; do command -v "$tool" >/dev/null || die "$tool not found"; done
jpegtran_bin=$(command -v jpegtran) djpeg_bin=$(command -v djpeg) cjpeg_bin=$(command -v cjpeg)

# --- build ------------------------------------------------------------------
targets=(imbrino-cli batch_inputs jpeg_keep_check)
if [[ -n $build_dir ]]; then
  if [[ -f $build_dir/CMakeCache.txt ]]; then
    say cmake -S . -B "$build_dir"
    cmake -S . -B "$build_dir" >/dev/null
  else
    say cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  say cmake --build "$build_dir" --target "${targets[@]}" -j 2
  cmake --build "$build_dir" --target "${targets[@]}" -j 2 >/dev/null
else
  build_dir=$source_dir/build/default
  say cmake --preset default
  cmake --preset default >/dev/null
  say cmake --build --preset default --target "${targets[@]}"
  cmake --build --preset default --target "${targets[@]}" >/dev/null
fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
case $build_type in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *) die "$build_dir is a '${build_type:-no type}' build: time an optimised one (Release, RelWithDebInfo)" ;;
esac
cli=$build_dir/apps/imbrino-cli/imbrino-cli
inputs_tool=$build_dir/bench/batch_inputs
check_tool=$build_dir/bench/jpeg_keep_check
stamp_help=$("$cli" stamp --help 2>&1) || true
[[ $stamp_help == *--jpeg* ]] || die "this imbrino-cli has no stamp --jpeg"

# --- inputs -----------------------------------------------------------------
photo_dir=$work/photos
progressive_dir=$work/progressive
mkdir -p "$photo_dir" "$progressive_dir" "$work/out"
photos=() progressive=()
for ((i = 1; i <= count; ++i)); do
  name=$(printf 'photo-%02d.jpg' "$i")
  photos+=("$photo_dir/$name")
  progressive+=("$progressive_dir/$name")
done
need_photos=$fresh_inputs need_progressive=$fresh_inputs
for f in "${photos[@]}"; do [[ -f $f ]] || need_photos=1; done
for f in "${progressive[@]}"; do [[ -f $f ]] || need_progressive=1; done
if ((need_photos)); then
  say batch_inputs --photos "$photo_dir" "$count"
  "$inputs_tool" --photos "$photo_dir" "$count" >/dev/null
fi
if ((need_progressive)); then
  say jpeg_keep_check --progressive-photos "$progressive_dir" "$count"
  "$check_tool" --progressive-photos "$progressive_dir" "$count"
fi
logo=$work/logo.src
say batch_inputs --template "$logo"
"$inputs_tool" --template "$logo" >/dev/null

facts=$("$cli" info "${photos[0]}" 2>/dev/null | tr -d ' \n') || die "imbrino-cli info ${photos[0]} failed"
[[ $facts == *'"width":4000,"height":3000'* ]] || die "${photos[0]} is not 4000 x 3000"
[[ $facts == *'4:2:0'* ]] || die "${photos[0]} is not 4:2:0"

# --- the cases --------------------------------------------------------------
# Each case is a function given one input and one output file.
stamp() { run "$cli" stamp --jpeg "$1" --anchor "$2" "$logo" "$3" "$4"; }
case_keep_br() { stamp keep bottom-right "$@"; }
case_reencode_br() { stamp reencode bottom-right "$@"; }
case_keep_c() { stamp keep centre "$@"; }
case_reencode_c() { stamp reencode centre "$@"; }
case_jpegtran() { run "$jpegtran_bin" -copy all -outfile "$2" "$1"; }
case_jpegtran_opt() { run "$jpegtran_bin" -copy all -optimize -outfile "$2" "$1"; }
case_jpegtran_prog() { run "$jpegtran_bin" -copy all -progressive -outfile "$2" "$1"; }
# shellcheck disable=SC2016  # expanded by the inner shell
case_djpeg_cjpeg() { run bash -c '"$0" "$2" | "$1" -quality 99 > "$3"' "$djpeg_bin" "$cjpeg_bin" "$1" "$2"; }

keys=() labels=() sets=()
add_case() {
  keys+=("$1")
  labels+=("$2")
  sets+=("$3")
}
add_case keep_br "stamp --jpeg keep, bottom-right" photos
add_case keep_c "stamp --jpeg keep, centre" photos
add_case reencode_br "stamp --jpeg reencode, bottom-right" photos
add_case reencode_c "stamp --jpeg reencode, centre" photos
add_case jpegtran "jpegtran -copy all" photos
add_case jpegtran_opt "jpegtran -copy all -optimize" photos
add_case djpeg_cjpeg "djpeg | cjpeg -quality 99" photos
add_case keep_br "progressive: keep, bottom-right" progressive
add_case jpegtran "progressive: jpegtran -copy all" progressive
add_case jpegtran_prog "progressive: jpegtran -progressive" progressive

echo
echo "What runs, once per photo (IN, OUT):"
echo "  $cli stamp --jpeg keep|reencode --anchor bottom-right|centre $logo IN OUT"
echo "  $jpegtran_bin -copy all [-optimize | -progressive] -outfile OUT IN"
echo "  bash -c '$djpeg_bin IN | $cjpeg_bin -quality 99 > OUT'"
echo "  each under /usr/bin/time -f '%U %S %M', wall time from \$EPOCHREALTIME around it"

# run CMD...: CMD under GNU time; wall microseconds to $wall_us, CPU
# microseconds to $cpu_us, peak RSS (KiB) to $rss_kib.
timing=$work/out/time.txt
log=$work/out/log.txt
micros() { local t=${1/./}; echo $((10#$t)); }
run() {
  local start end user sys
  start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$timing" "$@" >"$log" 2>&1 || return 1
  end=$EPOCHREALTIME
  wall_us=$(($(micros "$end") - $(micros "$start")))
  read -r user sys rss_kib < <(tail -n 1 "$timing")
  cpu_us=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1e6 }')
}

declare -A best_wall best_cpu best_rss
echo
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
for ((round = 1; round <= runs; ++round)); do
  for i in "${!keys[@]}"; do
    label=${labels[$i]}
    out=$work/out/case-$i
    rm -rf "$out"
    mkdir -p "$out"
    if [[ ${sets[$i]} == photos ]]; then inputs=("${photos[@]}"); else inputs=("${progressive[@]}"); fi
    total_wall=0 total_cpu=0 peak=0
    printf '  run %d: %-40s' "$round" "$label"
    for src in "${inputs[@]}"; do
      sync  # nothing of the previous command is left to write during this one
      if ! "case_${keys[$i]}" "$src" "$out/${src##*/}"; then
        echo " FAILED on $src"
        cat "$log" >&2
        die "$label failed"
      fi
      total_wall=$((total_wall + wall_us)) total_cpu=$((total_cpu + cpu_us))
      if ((rss_kib > peak)); then peak=$rss_kib; fi
    done
    awk -v w="$total_wall" 'BEGIN { printf " %.3f s\n", w / 1e6 }'
    if [[ -z ${best_wall[$label]:-} ]] || ((total_wall < best_wall[$label])); then
      best_wall[$label]=$total_wall best_cpu[$label]=$total_cpu best_rss[$label]=$peak
    fi
  done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

# --- sizes ------------------------------------------------------------------
bytes_of() { stat -c %s "$@" | awk '{ s += $1 } END { print s }'; }
photos_bytes=$(bytes_of "${photos[@]}")
progressive_bytes=$(bytes_of "${progressive[@]}")
declare -A size_pct
for i in "${!keys[@]}"; do
  in_bytes=$photos_bytes
  [[ ${sets[$i]} == photos ]] || in_bytes=$progressive_bytes
  out_bytes=$(bytes_of "$work"/out/case-"$i"/*.jpg)
  size_pct[${labels[$i]}]=$(awk -v o="$out_bytes" -v n="$in_bytes" 'BEGIN { printf "%.1f", 100 * o / n }')
done

# --- pixels -----------------------------------------------------------------
# case_dir KEY SET: the output folder of that case.
case_dir() {
  local i
  for i in "${!keys[@]}"; do
    [[ ${keys[$i]} == "$1" && ${sets[$i]} == "$2" ]] && { echo "$work/out/case-$i"; return; }
  done
  die "no case $1 on $2"
}
checks=$work/out/checks.txt
: >"$checks"
echo
echo "checking pixels (jpeg_keep_check --compare) ..."
check() {  # check PLACE H V SET KEEP-KEY REENCODE-KEY|-
  local place=$1 h=$2 v=$3 set=$4 keep_dir reencode_dir reencode src line
  keep_dir=$(case_dir "$5" "$set")
  [[ $6 == - ]] || reencode_dir=$(case_dir "$6" "$set")
  if [[ $set == photos ]]; then inputs=("${photos[@]}"); else inputs=("${progressive[@]}"); fi
  for src in "${inputs[@]}"; do
    if cmp -s "$src" "$keep_dir/${src##*/}"; then die "$keep_dir/${src##*/} is the unstamped photo"; fi
    reencode=-
    [[ $6 == - ]] || reencode=$reencode_dir/${src##*/}
    line=$("$check_tool" --compare "$logo" "$h" "$v" "$src" "$keep_dir/${src##*/}" "$reencode") ||
      die "jpeg_keep_check failed on $keep_dir/${src##*/} (a keep file not kept at the photo's sampling is a fallback to reencoding)"
    echo "$place $line" >>"$checks"
  done
}
check bottom-right 2 2 photos keep_br reencode_br
check centre 1 1 photos keep_c reencode_c
check progressive 2 2 progressive keep_br -

# field PLACE NAME: the values of NAME on PLACE's lines, one a line.
field() { awk -v p="$1" -v n="$2" '$1 == p { for (i = 2; i < NF; ++i) if ($i == n) print $(i + 1) }' "$checks"; }
sum() { awk '{ s += $1 } END { print s + 0 }'; }
# Mean and lowest of PSNR values in dB ("inf" counts as 99).
psnr_stats() {
  awk '{ v = ($1 == "inf") ? 99 : $1; s += v; n++; if (n == 1 || v < m) m = v }
       END { if (n) printf "%.2f (lowest %.2f)", s / n, m; else printf "none" }'
}
declare -A outside ring blocks
for place in bottom-right centre progressive; do
  outside[$place]=$(field "$place" outside_px | sum)
  ring[$place]=$(field "$place" ring_px | sum)
  blocks[$place]=$(field "$place" outside_blocks | sum)
  ((blocks[$place] == 0)) ||
    die "$place: ${blocks[$place]} DCT blocks outside the touched MCUs differ from the input's"
  ((outside[$place] == ring[$place])) ||
    die "$place: $((outside[$place] - ring[$place])) pixels differ from the input's beyond the touched MCUs and their one-pixel ring"
done
rect_c=$(awk '$1 == "centre" { print $3, $4, $5, $6; exit }' "$checks")
rect_br=$(awk '$1 == "bottom-right" { print $3, $4, $5, $6; exit }' "$checks")
mcu_br=$(awk '$1 == "bottom-right" { print $8, $9, $10, $11; exit }' "$checks")
mcu_c=$(awk '$1 == "centre" { print $8, $9, $10, $11; exit }' "$checks")
prog_kept=$(field progressive progressive | sort -u | tr '\n' ' ')

# --- results ----------------------------------------------------------------
input_mb=$(awk -v b="$photos_bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
jt="jpegtran -copy all" jt_p="progressive: jpegtran -copy all"
echo
echo "$count photos, 4000 x 3000, quality 92, 4:2:0, baseline ($input_mb MB together); logo 300 x 100"
echo "$build_type build; best of $runs runs by wall time; ms per photo; CPU = user + system"
echo "ratio = wall time / jpegtran -copy all's on the same photos"
printf '%-40s %9s %9s %7s %8s %9s\n' case "wall ms" "CPU ms" ratio "size %" "RSS MiB"
for label in "${labels[@]}"; do
  ref=$jt
  [[ $label == progressive:* ]] && ref=$jt_p
  awk -v l="$label" -v w="${best_wall[$label]}" -v c="${best_cpu[$label]}" -v r="${best_wall[$ref]}" \
    -v s="${size_pct[$label]}" -v m="${best_rss[$label]}" -v k="$count" \
    'BEGIN { printf "%-40s %9.1f %9.1f %7.2f %8s %9.1f\n", l, w / k / 1000, c / k / 1000, w / r, s, m / 1024 }'
done

echo
echo "keep files against the input, outside the whole MCUs the logo touches"
echo "(bottom-right: logo $rect_br, MCUs $mcu_br; centre: logo $rect_c, MCUs $mcu_c; x y w h):"
for place in bottom-right centre progressive; do
  printf '  %-13s %6d differing pixels (%d of them in the one-pixel ring), %d differing DCT blocks\n' \
    "$place" "${outside[$place]}" "${ring[$place]}" "${blocks[$place]}"
done
echo "  (a pixel just outside the MCUs is decoded with the chroma of the MCU beside it,"
echo "   smoothly upsampled, so a recomputed MCU can move it; the blocks themselves are the input's)"
echo "  progressive keep files are progressive: ${prog_kept}(1 = yes)"
echo
echo "PSNR in dB inside the logo's rectangle against the exact composite, mean over the photos:"
for place in bottom-right centre; do
  printf '  %-13s keep %s, reencode %s, the composite coded afresh at quality 92, 4:2:0: %s\n' "$place" \
    "$(field "$place" psnr_keep | psnr_stats)" "$(field "$place" psnr_reencode | psnr_stats)" \
    "$(field "$place" psnr_ceiling | psnr_stats)"
done
printf '  %-13s keep %s\n' progressive "$(field progressive psnr_keep | psnr_stats)"
echo "reencode against the input outside the rectangle (a generation's cost): $(field bottom-right psnr_reencode_outside | psnr_stats) dB"
echo "every line: $checks"

# --- summary ----------------------------------------------------------------
# ms LABEL, ratio LABEL [REF], size LABEL
ms() { awk -v w="${best_wall[$1]}" -v k="$count" 'BEGIN { printf "%.0f ms", w / k / 1000 }'; }
ratio() { awk -v a="${best_wall[$1]}" -v b="${best_wall[${2:-$jt}]}" 'BEGIN { printf "%.2fx", a / b }'; }
size() { echo "${size_pct[$1]} %"; }
kb="stamp --jpeg keep, bottom-right" kc="stamp --jpeg keep, centre"
rb="stamp --jpeg reencode, bottom-right" rc="stamp --jpeg reencode, centre"
jo="jpegtran -copy all -optimize" dc="djpeg | cjpeg -quality 99"
pk="progressive: keep, bottom-right" pp="progressive: jpegtran -progressive"
echo
echo "----- summary (one run of jpeg_keep_bench.sh; ratios to jpegtran -copy all) -----"
echo "jpeg_keep_bench: $count photos 4000x3000 q92 4:2:0 + 300x100 logo; $build_type; best of $runs;" \
  "$(nproc) CPUs; commit $(git -C "$source_dir" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "wall per photo: keep BR $(ms "$kb") ($(ratio "$kb")), keep centre $(ms "$kc") ($(ratio "$kc"));" \
  "reencode BR $(ms "$rb") ($(ratio "$rb")), centre $(ms "$rc") ($(ratio "$rc"));"
echo "  jpegtran $(ms "$jt") (1.00x), jpegtran -optimize $(ms "$jo") ($(ratio "$jo")), djpeg|cjpeg q99 $(ms "$dc") ($(ratio "$dc"))"
echo "  keep / reencode: BR $(ratio "$kb" "$rb"), centre $(ratio "$kc" "$rc")"
echo "size vs input: keep BR $(size "$kb"), centre $(size "$kc"); reencode BR $(size "$rb"), centre $(size "$rc");" \
  "jpegtran $(size "$jt"), -optimize $(size "$jo"); djpeg|cjpeg $(size "$dc")"
echo "pixels outside touched MCUs: BR ${outside[bottom-right]}, centre ${outside[centre]}, progressive ${outside[progressive]}" \
  "differing (all in the 1-px ring of smooth chroma upsampling); DCT blocks there: 0 differ"
echo "PSNR in logo rect vs exact composite: BR keep $(field bottom-right psnr_keep | psnr_stats)," \
  "reencode $(field bottom-right psnr_reencode | psnr_stats); centre keep $(field centre psnr_keep | psnr_stats)," \
  "reencode $(field centre psnr_reencode | psnr_stats); q92 4:2:0 ceiling BR $(field bottom-right psnr_ceiling | psnr_stats) dB"
echo "progressive BR: keep $(ms "$pk") ($(ratio "$pk" "$jt_p") of jpegtran, $(ratio "$pk" "$pp") of jpegtran -progressive);" \
  "size keep $(size "$pk"), jpegtran $(size "$jt_p"), jpegtran -progressive $(size "$pp")"
echo "-----"
