# Sourced by the benchmark scripts. best CMD...: runs CMD $runs times, each
# with an empty $work/out, and prints the fastest wall time in seconds; a
# failing run prints its error output and ends the script.
best() {
  local fastest= t
  for ((i = 0; i < runs; ++i)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    /usr/bin/time -f '%e' -o "$work/time.txt" "$@" >/dev/null 2>"$work/log.txt" ||
      { cat "$work/log.txt" >&2; exit 1; }
    t=$(tail -n 1 "$work/time.txt")
    if [[ -z $fastest ]] || awk -v a="$t" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then fastest=$t; fi
  done
  echo "$fastest"
}
