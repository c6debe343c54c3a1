#!/usr/bin/env bash
# The README's GNU parallel recipe, N = 4 jobs over one list of a mixed set
# (pictures of one name in two folders, odd names), against one run: the
# same files byte for byte, and the four JSON reports listing every picture
# exactly once between them.
#   parallel_recipe_test.sh IMBRINO_CLI SOURCE_DIR
set -euo pipefail
cli=$1
source_dir=$2
command -v parallel >/dev/null || { echo "skipped: GNU parallel is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in/a" "$work/in/b" "$work/in/c d"
cp "$source_dir"/assets/samples/pictures/* "$work/in/a/"
cp "$source_dir"/assets/samples/pictures/* "$work/in/b/"
cp "$source_dir/assets/samples/pictures/lake.jpg" "$work/in/c d/样张 1.jpg"
find "$work/in" -type f | sort >"$work/list.txt"
count=$(wc -l <"$work/list.txt")
template=$source_dir/assets/samples/sample.src

"$cli" batch --template "$template" --out "$work/one" --files-from "$work/list.txt" --quiet \
  >/dev/null
parallel --will-cite --jobs 4 "$cli" batch --template "$template" --out "$work/split" --jobs 1 \
  --files-from "$work/list.txt" --shard {}/4 --skip-existing --quiet \
  --report-json "$work/report-{}.jsonl" ::: 1 2 3 4 >/dev/null

diff <(cd "$work/one" && ls -A) <(cd "$work/split" && ls -A) || { echo "FAIL: different files"; exit 1; }
[[ $(ls -A "$work/one" | wc -l) -eq $count ]] || { echo "FAIL: one run wrote $(ls -A "$work/one" | wc -l) of $count"; exit 1; }
for f in "$work"/one/*; do
  cmp "$f" "$work/split/${f##*/}" || { echo "FAIL: ${f##*/} differs"; exit 1; }
done
listed=$(cat "$work"/report-*.jsonl | grep -o '"input":"[^"]*"' | sort)
expected=$(sed 's/.*/"input":"&"/' "$work/list.txt" | sort)
[[ $listed == "$expected" ]] || { echo "FAIL: the reports do not list every picture once"; exit 1; }
echo "ok: $count pictures, 4 shards, same bytes as one run, each picture reported once"
