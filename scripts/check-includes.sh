#!/usr/bin/env bash
# Fails when a source file under core/, gui/ or apps/ includes a header from a
# folder its floor may not see: the build's libraries only look down, and
# this keeps the includes to the same shape. Run from anywhere; prints each
# offending line and exits 1, or exits 0 quietly.
#
# An include names its folder first ("platform/file_io.h"); folder names are
# unique across the include roots, so the first part says which floor a
# header lives on. A bare name ("commands.h", the generated
# "build_config.h") is the including folder's own or the build's.
set -euo pipefail
cd "$(dirname "$0")/.."

# The core, lowest floor first. update/ is a library of its own above it
# (networking), so no other core folder may include it.
core="platform graphics settings image text template render editing batch session"
declare -A may=(
  [core/platform]=""
  [core/graphics]="platform"
  [core/settings]="platform"
  [core/image]="platform graphics"
  [core/text]="platform graphics"
  [core/template]="platform graphics image text"
  [core/render]="platform graphics image text template"
  [core/editing]="platform graphics settings image text template"
  [core/batch]="platform graphics settings image text template render"
  [core/session]="platform graphics settings image text template render editing"
  [core/update]="$core"
  # The windows: the eyedropper knows nothing of the program; shared/ and
  # widgets/ are one floor that knows no window of the programs; the
  # updater's window and the desktop program's windows sit side by side.
  [gui/pickcolor]=""
  [gui/shared]="$core pickcolor widgets"
  [gui/widgets]="$core pickcolor shared"
  [gui/editor]="$core pickcolor shared widgets"
  [gui/batch_window]="$core pickcolor shared widgets"
  [gui/updater]="$core update shared widgets"
  [gui/main_window]="$core update pickcolor shared widgets editor batch_window"
  # The programs.
  [apps/imbrino-cli]="$core"
  [apps/imbrino-publish]="$core update"
  [apps/update]="updater"
  [apps/imbrino]="main_window"
)

# Every folder that has headers of its own, by its include name.
declare -A known=()
for floor in "${!may[@]}"; do known[${floor#*/}]=1; done

status=0
while IFS= read -r -d '' file; do
  folder=$(dirname "$file")
  floor=$folder
  [[ $floor == core/image/jpeg_keep ]] && floor=core/image
  if [[ -z ${may[$floor]+set} ]]; then
    echo "$folder: a folder on no floor; add it to scripts/check-includes.sh"
    status=1
    continue
  fi
  own=${floor#*/}
  while IFS= read -r hit; do
    line=${hit%%:*}
    header=${hit#*#include \"}
    header=${header%%\"*}
    [[ $header == */* ]] || continue
    top=${header%%/*}
    [[ -n ${known[$top]+set} ]] || continue
    if [[ $top != "$own" && " ${may[$floor]} " != *" $top "* ]]; then
      echo "$file:$line: includes $header, which $floor may not see"
      status=1
    fi
    # The keep path's parts are private to it; the rest of the core sees its
    # one public header.
    if [[ $header == image/jpeg_keep/* && $header != image/jpeg_keep/jpeg_keep.h &&
          $folder != core/image/jpeg_keep ]]; then
      echo "$file:$line: includes $header, a private header of image/jpeg_keep"
      status=1
    fi
  done < <(grep -n '^#include "' "$file" || true)
done < <(find core gui apps \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
exit $status
