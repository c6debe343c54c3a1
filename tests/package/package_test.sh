#!/usr/bin/env bash
# The Debian package as a user gets it: built by scripts/package.sh (a lintian
# error fails it), unpacked into a temporary root, its files against the
# expected layout, its desktop files validated, and its programs run from
# there: imbrino-cli, template thumbnails through the thumbnailer entry (on
# the samples and on hostile files), and the desktop program finding its
# manual and button pictures under share/imbrino.
#   tests/package/package_test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source_dir=$PWD

fail() { echo "package_test: FAIL: $*" >&2; exit 1; }

scripts/package.sh
deb=$(ls -t build/package/imbrino_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# The layout, file for file.
diff -u tests/package/expected-files.txt <(cd "$root" && find . \( -type f -o -type l \) | sort) ||
  fail "the package's files differ from tests/package/expected-files.txt"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt in the dependencies"

# The desktop files, as the desktop's own tools read them.
desktop-file-validate "$root/usr/share/applications/imbrino.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/"*.metainfo.xml
mime=$root/mime
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/imbrino-template.xml" "$mime/packages/"
update-mime-database "$mime" >/dev/null 2>&1 || fail "update-mime-database refused the template type"
[[ -s $mime/globs2 ]] && grep -q "x-imbrino-template" "$mime/magic" || fail "no glob or magic for templates"

cli=$root/usr/bin/imbrino-cli
"$cli" --version | grep -q '^imbrino-cli ' || fail "imbrino-cli --version"
gunzip -c "$root/usr/share/man/man1/imbrino-cli.1.gz" | grep -q '^\.TH' || fail "no man page"

# Thumbnails the way a file manager makes them: the entry's Exec line with
# %s, %i and %o filled in.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/thumbnailers/imbrino.thumbnailer")
thumbnail() {  # SIZE INPUT OUTPUT
  local command=${exec_line//%s/$1}
  command=${command//%i/\"$2\"}
  command=${command//%o/\"$3\"}
  command=${command/imbrino-cli/\"$cli\"}
  timeout 40 bash -c "$command"
}
for template in "$source_dir"/assets/samples/*.src; do
  out=$root/thumb-$(basename "$template").png
  thumbnail 256 "$template" "$out" || fail "no thumbnail of $template"
  "$cli" info "$out" | tr -d ' \n' | grep -q '"type":4,"width":256' || fail "$out is not a 256-wide PNG"
done
# Hostile files: damaged, random and endless ones give no thumbnail; none,
# an absurd background size included, takes long.
head -c 300 "$source_dir/assets/samples/showcase.src" >"$root/truncated.src"
head -c 4096 /dev/urandom >"$root/random.src"
mkfifo "$root/endless.src"
printf '\xff\xff\xff\x7f\xff\xff\xff\x7f' >"$root/huge.src"
head -c 4000 /dev/zero >>"$root/huge.src"
for bad in truncated random endless huge; do
  started=$SECONDS
  if thumbnail 128 "$root/$bad.src" "$root/$bad.png" 2>/dev/null; then
    [[ $bad == huge ]] || fail "a thumbnail of $bad.src"
  else
    [[ ! -e $root/$bad.png ]] || fail "$bad.src left a file"
  fi
  ((SECONDS - started < 35)) || fail "$bad.src took $((SECONDS - started)) s"
done

# The desktop program, started under a display of its own: it must look up
# its manual under the unpacked share/imbrino and find it there.
trace=$root/trace.txt
HOME=$root XDG_CONFIG_HOME=$root/config xvfb-run -a \
  strace -f -e trace=%file -o "$trace" timeout -s INT 6 "$root/usr/bin/Imbrino" >/dev/null 2>&1 || true
grep -q "$root/usr/share/imbrino/help.html\", .* = 0" "$trace" ||
  grep -q "$root/usr/share/imbrino/help.html\".* = 0" "$trace" ||
  fail "Imbrino did not find its manual under share/imbrino"
echo "package_test: ok: $deb"
