#!/usr/bin/env bash
# The Debian package as a user gets it: what it holds (dpkg-deb -c), its fields, and a run of
# the programs unpacked into a root of their own (dpkg-deb -x) by a user with a fresh home.
#   package_test.sh DEB
set -uo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# What the package holds: owned by root, nothing outside /usr, the programs executable and the
# rest not.
contents=$(dpkg-deb -c "$deb") || { echo "FAIL: dpkg-deb cannot list $deb"; exit 1; }
for path in usr/bin/vesk usr/bin/vesk-manager \
  usr/share/vesk/vesk.ini usr/share/vesk/C100.ini usr/share/vesk/C100-compact.ini \
  'usr/share/vesk/samples/Фон.c10' 'usr/share/vesk/samples/Шарик.c10' usr/share/vesk/bins/sample.bin \
  usr/share/applications/vesk-manager.desktop usr/share/icons/hicolor/scalable/apps/vesk-manager.svg \
  usr/share/mime/packages/vesk-c10.xml usr/share/thumbnailers/vesk-c10.thumbnailer \
  usr/share/man/man1/vesk.1.gz usr/share/man/man1/vesk-manager.1.gz usr/share/bash-completion/completions/vesk \
  usr/share/doc/vesk/copyright usr/share/doc/vesk/changelog.gz; do
  grep -q " \./$path\$" <<<"$contents" || fail "the package lacks /$path"
done
grep -q ' \./usr/share/vesk/system/.' <<<"$contents" || fail "the package lacks the system files"
grep -q ' \./usr/share/metainfo/.*\.metainfo\.xml$' <<<"$contents" || fail "the package lacks the AppStream metainfo"
awk '$2 != "root/root" { print "FAIL: not owned by root: " $0; bad = 1 } END { exit bad }' <<<"$contents" || failures=$((failures + 1))
grep -v ' \./$\| \./usr/' <<<"$contents" | sed 's/^/FAIL: outside \/usr: /' | grep . && failures=$((failures + 1))
while read -r mode _ _ _ _ path; do
  case $mode:$path in
    d*) ;;
    -rwxr-xr-x:./usr/bin/*) ;;
    -rw-r--r--:*) [[ $path != ./usr/bin/* ]] || fail "not executable: $path" ;;
    *) fail "mode $mode of $path" ;;
  esac
done <<<"$contents"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libjpeg62-turbo libpng16-16 libgif7 libstdc++6 qt6-translations-l10n; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = vesk ] || fail "the package is not named vesk"

# Unpacked, as `apt install` would put it in /usr; a user without a program folder yet.
root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb cannot unpack $deb"; exit 1; }
export HOME=$work/home
unset XDG_DATA_HOME
mkdir -p "$HOME"
user=$HOME/.local/share/vesk
shipped=$root/usr/share/vesk
vesk=$root/usr/bin/vesk

"$vesk" files "$user/bins/sample.bin" >"$work/files.txt" 2>"$work/err" || fail "vesk files of the sample dump: $(cat "$work/err")"
grep -q 'Фон' "$work/files.txt" || fail "vesk files does not list the sample's pictures: $(cat "$work/files.txt")"
diff -r "$shipped" "$user" >"$work/diff" && fail "files/ was not made" ||
  [ "$(cat "$work/diff")" = "Only in $user: files" ] || fail "the first start did not copy the shipped folder: $(cat "$work/diff")"

printf '; my own edit\n' >>"$user/vesk.ini"
cp "$user/vesk.ini" "$work/edited.ini"
"$vesk" lists "$user/bins/sample.bin" >/dev/null 2>"$work/err" || fail "the second start: $(cat "$work/err")"
cmp -s "$user/vesk.ini" "$work/edited.ini" || fail "the second start changed the edited vesk.ini"
"$vesk" thumbnail "$user/samples/Фон.c10" "$work/thumb.png" 64 || fail "vesk thumbnail"

# The desktop's files as the desktop's own checkers read them.
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$root/usr/share/applications/vesk-manager.desktop" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml 2>&1) ||
    fail "appstreamcli validate: $out"
fi
for page in "$root"/usr/share/man/man1/*.1.gz; do
  out=$(zcat "$page" | LC_ALL=C groff -k -Tutf8 -ww -man -z 2>&1)
  [ -z "$out" ] || fail "groff warns about $page: $out"
done

# The installed completion names the firmwares of the user's program folder.
firmwares=$(
  source /usr/share/bash-completion/bash_completion
  source "$root/usr/share/bash-completion/completions/vesk"
  COMP_WORDS=("$vesk" files d.bin --firmware "") COMP_CWORD=4 COMP_LINE="$vesk files d.bin --firmware " COMP_POINT=${#COMP_LINE}
  _vesk "$vesk" "" --firmware
  printf '%s\n' "${COMPREPLY[@]}"
)
expected=$(sed -n '/^\[Firmwares\]/,/^\[/s/^[0-9]*=//p' "$user/vesk.ini")
[ -n "$firmwares" ] && [ "$firmwares" = "$expected" ] || fail "completion of --firmware gives '$firmwares', not '$expected'"

[ "$failures" -eq 0 ] && echo "package: all checks passed"
exit "$failures"
