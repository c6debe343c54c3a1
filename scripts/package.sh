#!/usr/bin/env bash
# Builds the Debian package: installs what the build needs, builds the
# programs (the default preset's build folder), and packs them with CPack
# into build/package/imbrino_<version>_<arch>.deb; then lintian checks it.
#   scripts/package.sh            then: sudo apt install ./build/package/imbrino_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh lintian >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target Imbrino imbrino-cli update
mkdir -p build/package
(cd build/package && cpack --config ../default/CPackConfig.cmake -G DEB)
deb=$(ls -t build/package/imbrino_*.deb | head -n 1)
echo "package: $deb"
# Errors fail the build; warnings are shown.
lintian --fail-on error --no-tag-display-limit "$deb"
