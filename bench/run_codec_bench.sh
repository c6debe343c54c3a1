#!/usr/bin/env bash
# Codec speed through the core next to the bare libraries, and next to
# libjpeg-turbo's own command-line tools on the same 12-megapixel picture.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target codec_bench >/dev/null
build/default/bench/codec_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/default/bench/codec_bench --write-samples "$work"
TIMEFORMAT='%R s'
echo "libjpeg-turbo's tools, whole process, same picture and settings:"
printf 'cjpeg -quality 99 -sample 1x1: '
{ time cjpeg -quality 99 -sample 1x1 -outfile "$work/cjpeg.jpg" "$work/photo.ppm"; } 2>&1
printf 'djpeg:                         '
{ time djpeg -outfile "$work/back.ppm" "$work/photo.jpg"; } 2>&1
