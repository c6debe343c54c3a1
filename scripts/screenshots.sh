#!/usr/bin/env bash
# Starts the desktop program on a virtual X display as a new user would, drives
# it with the keyboard, and saves screenshots to docs/screenshots/: the splash,
# the main window with a stamped picture, the new-picture dialog, the about box,
# the batch window (files listed, a run, the duplicate question, the report),
# the template editor (with its tool window, each property panel and the
# delete question) and the message a second copy shows.
#   scripts/screenshots.sh
#   IMBRINO_BUILD_DIR=build/mine scripts/screenshots.sh   (a build folder of your own)
#   IMBRINO_SCREENSHOT_DIR=/tmp/shots scripts/screenshots.sh   (somewhere else)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup-debian.sh xvfb xauth openbox xdotool imagemagick >/dev/null
build=${IMBRINO_BUILD_DIR:-build/default}
if [[ -n ${IMBRINO_BUILD_DIR:-} ]]; then
  cmake --build "$build" --target Imbrino
else
  cmake --preset default >/dev/null
  cmake --build --preset default --target Imbrino
fi

# A portable install of our own, so the settings land beside this copy.
install_dir=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$install_dir"' EXIT
cp -r "$build/apps/imbrino/Imbrino" "$build/apps/imbrino/help.html" \
  "$build/apps/imbrino/ButtonPic" "$install_dir/"
printf '[EditTemplate]\nFileName=%s\n' "$root/assets/samples/showcase.src" \
  > "$install_dir/SetupInfor.ini"
export XDG_RUNTIME_DIR="$install_dir"

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp &
sleep 1
openbox &
sleep 1

out=${IMBRINO_SCREENSHOT_DIR:-docs/screenshots}
mkdir -p "$out"
shot() { import -window root "$out/$1.png"; echo "saved $out/$1.png"; }

"$install_dir/Imbrino" &
program=$!
sleep 1.2
shot splash
# The splash alone: it is centred on the 1280 x 800 screen.
convert "$out/splash.png" -crop 583x243+348+278 +repage "$out/splash.png"
sleep 3.5

# Open a sample picture: Ctrl+O, type its path into the file dialog.
xdotool key ctrl+o
sleep 1.5
xdotool type --delay 5 "$root/assets/samples/pictures/lake.jpg"
xdotool key Return
sleep 1.5
# Nudge the template with the arrow keys, as a user lines it up.
for _ in 1 2 3 4 5 6 7 8 9 10; do xdotool key Up; done
sleep 0.5
shot main-window

# A new picture: the moved template makes the program ask first; answer No.
xdotool key ctrl+n
sleep 1
shot save-question
xdotool key n
sleep 1
shot new-picture
xdotool key Escape
sleep 0.5

xdotool key alt+a
sleep 0.5
xdotool key b
sleep 1
shot about
xdotool key Escape
sleep 0.5

# The batch window (Ctrl+P): the sample pictures added through the file dialog
# (all of the folder, then one of them again, which brings the duplicate
# question), an output folder, a run over many more pictures, and its report.
many="$install_dir/many"
mkdir -p "$many" "$install_dir/out"
for i in $(seq -w 1 240); do cp "$root/assets/samples/pictures/lake.jpg" "$many/photo$i.jpg"; done
xdotool key ctrl+p
sleep 1.5
xdotool key alt+a
sleep 1.5
xdotool type --delay 5 "$root/assets/samples/pictures/"
xdotool key Return
sleep 1
xdotool key shift+Tab ctrl+a Return
sleep 2
xdotool key alt+a
sleep 1.5
xdotool type --delay 5 "$root/assets/samples/pictures/hills.png"
xdotool key Return
sleep 1.5
shot batch-duplicate
xdotool key alt+y
sleep 1
xdotool key alt+w
sleep 1.5
xdotool type --delay 5 "$install_dir/out"
xdotool key Return
sleep 1
shot batch-dialog
xdotool key alt+a
sleep 1.5
xdotool type --delay 5 "$many/"
xdotool key Return
sleep 1
xdotool key shift+Tab ctrl+a Return
sleep 6
xdotool key alt+s
sleep 1.5
shot batch-running
sleep 12
# The summary: "是" opens the report.
xdotool key y
sleep 1.5
shot batch-report
xdotool key Escape
sleep 0.5
xdotool key Escape
sleep 0.5

# The template editor (Ctrl+E) on the sample template: everything selected,
# then each property panel by a double click, and the delete question. The
# canvas starts at the top-left of the client area, below the menu bar.
canvas_y=38
xdotool key ctrl+e
sleep 2
xdotool key ctrl+a
sleep 0.5
shot editor
convert "$out/editor.png" -crop 260x75+0+712 +repage "$out/editor-tools.png"
echo "saved $out/editor-tools.png"
xdotool mousemove 60 $((canvas_y + 86)) click --repeat 2 --delay 80 1
sleep 1
shot editor-text
xdotool mousemove 440 $((canvas_y + 80)) click --repeat 2 --delay 80 1
sleep 1
shot editor-picture
xdotool mousemove 600 $((canvas_y + 380)) click --repeat 2 --delay 80 1
sleep 1
shot editor-background
xdotool mousemove 60 $((canvas_y + 86)) click 1
sleep 0.5
xdotool key Delete
sleep 1
shot editor-delete
xdotool key alt+n
sleep 0.5
# Close it; the clicks marked the template modified: do not save.
xdotool key alt+f
sleep 0.5
xdotool key c
sleep 1
xdotool key n
sleep 1

# A second copy is refused while the first runs.
"$install_dir/Imbrino" &
sleep 1.5
shot second-copy
xdotool key Return
sleep 0.5

kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
