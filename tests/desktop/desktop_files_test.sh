#!/usr/bin/env bash
# The desktop's files as the desktop reads them: the MIME type through update-mime-database into
# a folder of its own, the thumbnailer's keys, and the manual page, which must hold every
# command that vesk --help lists.
#   desktop_files_test.sh PACKAGING_DIR VESK MANUAL
set -uo pipefail
packaging=$1 vesk=$2 manual=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The MIME type: well-formed, and taken by the database.
xmllint --noout "$packaging/vesk-c10.xml" || fail "vesk-c10.xml is not well-formed XML"
mkdir -p "$work/mime/packages"
cp "$packaging/vesk-c10.xml" "$work/mime/packages/"
# Run as for a user whose data folder it is, so that it has nothing to say about search paths.
messages=$(XDG_DATA_HOME=$work update-mime-database "$work/mime" 2>&1) || fail "update-mime-database failed: $messages"
[ -z "$messages" ] || fail "update-mime-database complained: $messages"
grep -qx '50:image/x-vesk-c10:\*\.c10' "$work/mime/globs2" || fail "globs2 lacks *.c10: $(cat "$work/mime/globs2")"
grep -q 'Samsung C100' "$work/mime/image/x-vesk-c10.xml" 2>/dev/null || fail "no image/x-vesk-c10.xml with its comment"
grep -qx 'image/x-vesk-c10:image-x-generic' "$work/mime/generic-icons" || fail "no generic icon"

# The thumbnailer: the keys a desktop reads, and the command with the placeholders it fills in.
thumbnailer=$packaging/vesk-c10.thumbnailer
[ "$(head -1 "$thumbnailer")" = "[Thumbnailer Entry]" ] || fail "the thumbnailer's group is not [Thumbnailer Entry]"
grep -qx 'TryExec=vesk' "$thumbnailer" || fail "TryExec"
grep -qx 'Exec=vesk thumbnail %i %o %s' "$thumbnailer" || fail "Exec"
grep -qx 'MimeType=image/x-vesk-c10;' "$thumbnailer" || fail "MimeType"

# The manual page: one subsection per command, each with that command's usage line.
[ -s "$manual" ] || fail "no manual page at $manual"
commands=$("$vesk" --help | awk '/^commands:/ { on = 1; next } on && /^$/ { exit } on { print $1 }')
[ -n "$commands" ] || fail "vesk --help lists no commands"
for c in $commands; do
  grep -qx ".SS \"vesk $c\"" "$manual" || fail "the manual page has no section for $c"
  grep -qF "usage: vesk $c " "$manual" || fail "the manual page lacks the usage line of $c"
done
grep -q '^\.TH VESK "1"' "$manual" || fail "the manual page has no title line"
# Russian text: the page says it is UTF-8 on its first line, where man and groff's preconv look,
# and groff reading it so (as man runs it) has nothing to warn about.
[ "$(head -1 "$manual")" = '.\" -*- coding: UTF-8 -*-' ] || fail "the manual page's first line is not its coding line"
warnings=$(LC_ALL=C groff -k -Tutf8 -ww -man -z "$manual" 2>&1) || fail "groff failed on the manual page"
[ -z "$warnings" ] || fail "groff warns about the manual page: $(head -3 <<<"$warnings")"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manual" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns about the manual page: $(head -3 <<<"$warnings")"
if command -v man >/dev/null; then
  rendered=$(LANG=C.UTF-8 MANWIDTH=100 man -l "$manual" 2>/dev/null) || fail "man cannot show the page"
  grep -q 'vesk thumbnail' <<<"$rendered" || fail "the shown page lacks vesk thumbnail"
  # The buttons' Russian captions in the help come through as they are, not as question marks.
  grep -qF '"Пустой "FF" файл"' <<<"$rendered" || fail "the shown page lost the Russian captions"
fi

[ "$failures" -eq 0 ] && echo "desktop files: all checks passed"
exit "$failures"
