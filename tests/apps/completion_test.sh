#!/usr/bin/env bash
# The bash completion of imbrino-cli, run as bash runs it: every option each
# command's --help lists is offered, option values are completed, and
# template arguments offer .src files only.
#   completion_test.sh IMBRINO_CLI SOURCE_DIR
set -uo pipefail
cli=$(realpath "$1")
source_dir=$2
loader=/usr/share/bash-completion/bash_completion
[[ -r $loader ]] || { echo "skipped: bash-completion is not installed"; exit 77; }
export LC_ALL=C.UTF-8
# shellcheck disable=SC1090
source "$loader"
# shellcheck disable=SC1091
source "$source_dir/assets/linux/imbrino-cli.bash-completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder"
touch "$work/mark.src" "$work/photo.jpg"
cd "$work" || exit 1

failures=0
# The words offered for LINE, the cursor at its end, one a line, sorted.
offered() {
  local line=$1
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _imbrino_cli imbrino-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {
  local line=$1 want=$2 got
  got=$(offered "$line" | tr '\n' ' ')
  [[ $got == "$want " ]] || { echo "FAIL: '$line' offers '$got', expected '$want'"; failures=$((failures + 1)); }
}

expect "imbrino-cli " "--help --version batch info render stamp watch"
expect "imbrino-cli stamp mark.src photo.jpg out.png --anchor bottom-" "bottom-left bottom-right"
expect "imbrino-cli batch --anchor 右" "右上 右下 右中"
expect "imbrino-cli batch --anchor a" "auto"
expect "imbrino-cli watch in --jpeg " "keep reencode"
expect "imbrino-cli stamp --scale-by s" "shorter"
expect "imbrino-cli batch --template " "folder mark.src"
expect "imbrino-cli render " "folder mark.src"
expect "imbrino-cli render --thumbnail 128 mark.src " "folder mark.src photo.jpg"
expect "imbrino-cli batch --out " "folder"
expect "imbrino-cli watch " "folder"
expect "imbrino-cli stamp --jobs " ""

# No option the program has is missing from the completion.
for command in info render stamp batch watch; do
  listed=$("$cli" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
  [[ -n $listed ]] || { echo "FAIL: $cli $command --help lists no options"; exit 1; }
  offer=$(offered "imbrino-cli $command --")
  missing=$(comm -23 <(echo "$listed") <(echo "$offer"))
  [[ -z $missing ]] || { echo "FAIL: $command does not offer ${missing//$'\n'/ }"; failures=$((failures + 1)); }
done

((failures == 0)) || exit 1
echo "completion: all checks passed"
