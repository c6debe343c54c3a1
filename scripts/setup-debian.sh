#!/usr/bin/env bash
# Installs everything Imbrino needs to build, test and fuzz on Debian 12:
# compilers and build tools, the codec, text, desktop and test libraries, and the fonts
# that stand in for the Windows face names templates are made with.
#   scripts/setup-debian.sh [PACKAGE...]   also installs the packages named
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-14 clang libclang-rt-14-dev libfuzzer-14-dev
  # picture codecs
  libjpeg62-turbo-dev libpng-dev libgif-dev libimagequant-dev zlib1g-dev
  # text
  libfreetype-dev libharfbuzz-dev libfontconfig-dev
  # picture metadata (when and with which camera a photo was taken)
  libexiv2-dev
  # updates: hashes and signatures
  libssl-dev
  # desktop program (Qt 6 Widgets; the offscreen and X11 platform plugins)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  # command line and tests
  libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  # window tests under a real window manager (tests/gui/desktop)
  xvfb xauth openbox xdotool
  # the README's recipe for splitting a run over many jobs (tests/apps/parallel_recipe_test.sh)
  parallel
  # the Linux desktop files (assets/linux): the metainfo's validator, and bash completion
  # for tests/apps/completion_test.sh
  appstream bash-completion
  # the Debian package and its checks (scripts/package.sh, tests/package/package_test.sh)
  lintian desktop-file-utils shared-mime-info dpkg-dev strace
  # downloads (the updater)
  libcurl4-openssl-dev
  # reference tools for the benchmarks (cjpeg/djpeg)
  libjpeg-turbo-progs
  # look-alike faces for the Windows face names (see assets/fonts/imbrino-fonts.conf)
  fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei fonts-wqy-microhei
  fonts-liberation2 fonts-dejavu-core
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all ${#packages[@]} packages present"
