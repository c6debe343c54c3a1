#!/usr/bin/env bash
# Builds Imbrino and runs a batch: the bundled sample template stamped at the
# bottom-right of every bundled sample picture, written to build/demo-out/
# with the detailed report beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target imbrino-cli
mkdir -p build/demo-out
build/default/apps/imbrino-cli/imbrino-cli batch --template assets/samples/sample.src \
  --anchor bottom-right --out build/demo-out --report build/demo-out/report.txt \
  assets/samples/pictures/*
echo "The stamped pictures and report.txt are in build/demo-out/"
