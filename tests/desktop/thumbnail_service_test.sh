#!/usr/bin/env bash
# The thumbnailer as the desktop's thumbnail service runs it: tumbler (the D-Bus service of Xfce
# and others) on a session bus of its own, asked over D-Bus for a C10 file's thumbnail. It runs
# `vesk thumbnail %i %o %s` on an output file that it made itself and reads afterwards through
# the descriptor it still holds, so the thumbnail must be written into that very file.
#   thumbnail_service_test.sh VESK THUMBNAILER MIME_XML
set -uo pipefail
vesk=$1 thumbnailer=$2 mime=$3
tumblerd=$(ls /usr/lib/*/tumbler-1/tumblerd 2>/dev/null | head -1)
if [ -z "$tumblerd" ] || ! command -v dbus-run-session >/dev/null; then
  echo "tumbler or dbus is not installed (scripts/bootstrap installs them)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A user of their own: home, cache and data folders; the thumbnailer and the MIME type where
# tumbler and GLib look for them.
export HOME=$work/home XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_DATA_DIRS=$work/data:/usr/share
mkdir -p "$HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME/thumbnailers" "$XDG_DATA_HOME/mime/packages" "$work/pictures"
sed -e "s|^TryExec=.*|TryExec=$vesk|" -e "s|^Exec=vesk |Exec=$vesk |" "$thumbnailer" \
  >"$XDG_DATA_HOME/thumbnailers/vesk-c10.thumbnailer"
cp "$mime" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime" >/dev/null 2>&1
# tumbler's own thumbnailers stay off: the GStreamer one alone takes seconds to start.
mkdir -p "$XDG_CONFIG_HOME/tumbler"
for section in JPEG Raw Pixbuf Cover Ffmpeg Gst Font Poppler Odf Epub; do
  printf '[%sThumbnailer]\nDisabled=true\n' "$section"
done >"$XDG_CONFIG_HOME/tumbler/tumbler.rc"

# A 200 x 100 picture (one grey, a red stripe at the top) made into C10 by vesk itself.
bmp=$work/picture.bmp
{
  printf 'BM'; printf '\x36\x38\x01\x00'; printf '\0\0\0\0'; printf '\x36\0\0\0'
  printf '\x28\0\0\0'; printf '\xc8\0\0\0'; printf '\x64\0\0\0'; printf '\x01\0\x20\0'
  printf '\0\0\0\0%.0s' 1 2 3 4 5 6
  head -c $((200 * 90 * 4)) /dev/zero | tr '\0' '\200'
  for ((i = 0; i < 200 * 10; i++)); do printf '\0\0\377\0'; done
} >"$bmp"
picture="$work/pictures/a picture.c10"
"$vesk" convert "$bmp" "$picture" || { echo "FAIL: vesk cannot make the C10 file"; exit 1; }
uri="file://${work// /%20}/pictures/a%20picture.c10"

# tumbler and a monitor of its signals on a bus of their own; the Queue call, then the Ready or
# Error signal for its handle.
cat >"$work/session.sh" <<EOF
set -u
dbus-monitor --session "type='signal',interface='org.freedesktop.thumbnails.Thumbnailer1'" >"$work/signals" 2>&1 &
"$tumblerd" >"$work/tumblerd.log" 2>&1 &
for ((i = 0; i < 100; i++)); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.thumbnails.Thumbnailer1 2>/dev/null | grep -q 'boolean true' && break
  sleep 0.1
done
reply=\$(dbus-send --session --print-reply --dest=org.freedesktop.thumbnails.Thumbnailer1 \
  /org/freedesktop/thumbnails/Thumbnailer1 org.freedesktop.thumbnails.Thumbnailer1.Queue \
  array:string:'$uri' array:string:image/x-vesk-c10 string:normal string:default uint32:0) || exit 1
handle=\$(sed -n 's/.*uint32 //p' <<<"\$reply")
echo "handle \$handle" >"$work/handle"
for ((i = 0; i < 300; i++)); do
  grep -q 'member=Ready\|member=Error' "$work/signals" && break
  sleep 0.1
done
sleep 0.2  # the rest of the signal's lines
EOF
start=$(date +%s%N)
dbus-run-session -- bash "$work/session.sh"
status=$?
echo "tumbler answered in $((($(date +%s%N) - start) / 1000000)) ms"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$status" -eq 0 ] || fail "the Queue call failed"
grep -q 'member=Ready' "$work/signals" || fail "no Ready signal; tumbler said: $(grep -A6 'member=Error' "$work/signals" | tr -s ' \n' ' ')"
grep -q "$uri" "$work/signals" || fail "the signals do not name $uri"

# The thumbnail in the cache, named after the MD5 of the URI, as every reader of the cache finds it.
thumb=$XDG_CACHE_HOME/thumbnails/normal/$(printf '%s' "$uri" | md5sum | cut -d' ' -f1).png
if [ -f "$thumb" ]; then
  info=$("$vesk" info "$thumb" --json)
  [[ $info == *'"width":128,'* && $info == *'"height":64}'* ]] || fail "the thumbnail is not 128 x 64: $info"
else
  fail "no thumbnail at $thumb: $(ls -R "$XDG_CACHE_HOME" 2>&1 | tr '\n' ' ')"
fi

[ "$failures" -eq 0 ] && echo "thumbnail service: all checks passed"
exit "$failures"
