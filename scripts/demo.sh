#!/usr/bin/env bash
# Builds Imbrino and shows what the bundled sample template holds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target imbrino-cli
build/default/apps/imbrino-cli/imbrino-cli info assets/samples/sample.src
