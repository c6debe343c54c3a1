#!/usr/bin/env bash
# The fuzz targets (clang + libFuzzer), one per reader and one for the
# renderers and one for stamping a JPEG in its coefficients, with their seed corpora in tests/fuzz/corpus/<target>/.
#   scripts/fuzz.sh replay        run every corpus file once through its target
#   scripts/fuzz.sh run SECONDS   fuzz each target for SECONDS (new finds go to build/fuzz/finds);
#                                 FUZZ_SEED picks the random seed (default 1, so a run repeats)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-replay}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
targets=(template draw settings fields update file_list bmp jpeg jpeg_keep png gif)
for t in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$t
  binary=build/fuzz/tests/fuzz/fuzz_$t
  case $mode in
    replay)
      echo "fuzz_$t: replaying $(find "$corpus" -type f | wc -l) inputs"
      "$binary" -runs=0 -rss_limit_mb=2048 "$corpus" 2>&1 | tail -1 ;;
    run)
      finds=build/fuzz/finds/$t
      mkdir -p "$finds"
      echo "fuzz_$t: fuzzing for ${2:-20} s"
      "$binary" -max_total_time="${2:-20}" -rss_limit_mb=2048 -timeout=10 -seed="${FUZZ_SEED:-1}" \
        -artifact_prefix="build/fuzz/finds/$t-" "$finds" "$corpus" 2>&1 | tail -2 ;;
    *) echo "usage: $0 replay|run SECONDS" >&2; exit 2 ;;
  esac
done
