#!/usr/bin/env bash
# Runs a test program on an X display of its own (Xvfb, 1280 x 800) under a
# window manager (openbox), for what only real frames and window focus show:
#   run-with-window-manager.sh PROGRAM [ARGUMENTS...]
# The program drives the display with xdotool. Without Xvfb, openbox or
# xdotool the test is skipped (exit status 77); scripts/setup-debian.sh
# installs them.
set -uo pipefail

for tool in Xvfb openbox xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/setup-debian.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
server=
manager=
finish() {
  [[ -n $manager ]] && kill "$manager" 2>/dev/null
  [[ -n $server ]] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

# Waits up to ten seconds for a file to have contents; otherwise shows the log.
await() {
  for _ in $(seq 100); do
    [[ -s $1 ]] && return 0
    sleep 0.1
  done
  echo "$2 did not start:" >&2
  cat "$3" >&2
  return 1
}

# The server takes a free display number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
await "$work/display" Xvfb "$work/xvfb.log" || exit 1
export DISPLAY=":$(head -n 1 "$work/display")"

openbox --sm-disable --startup "sh -c 'echo up > $work/manager'" >"$work/openbox.log" 2>&1 &
manager=$!
await "$work/manager" openbox "$work/openbox.log" || exit 1

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work"
# In a sanitizer build: leaks of the system libraries an X display brings in.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan-system-libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$@"
