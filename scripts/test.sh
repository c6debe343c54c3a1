#!/usr/bin/env bash
# Builds Imbrino and runs every test. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
