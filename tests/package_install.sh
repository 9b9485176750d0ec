#!/usr/bin/env bash
# What a user or a distribution installs: cmake --install into a scratch
# root, every file in its place and valid (desktop entry, AppStream metainfo,
# man page, hicolor icons whose SVG and PNGs show the same picture), the
# installed program's --version and --help without a display, then a .deb
# from cpack: its Depends name the linked libraries and no sound server, and
# the program unpacked from it runs.
#   package_install.sh BUILD_DIR VERSION APP_ID
set -u
build=${1:?build folder} version=${2:?version} appid=${3:?application id}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
# The program's own output must not depend on a display or a session.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS "$@"; }

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; exit 1; }
for f in bin/vellory share/applications/$appid.desktop share/metainfo/$appid.metainfo.xml \
         share/man/man1/vellory.1 share/icons/hicolor/scalable/apps/$appid.svg share/doc/vellory/LICENSE; do
  [ -s "$root/usr/$f" ] || fail "not installed: /usr/$f"
done

desktop=$root/usr/share/applications/$appid.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate warns: $out"
grep -qx "Exec=vellory" "$desktop" || fail "the desktop entry does not start vellory"
grep -qx "Icon=$appid" "$desktop" || fail "the desktop entry's icon is not $appid"

metainfo=$root/usr/share/metainfo/$appid.metainfo.xml
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
grep -q "<id>$appid</id>" "$metainfo" || fail "metainfo id is not $appid"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo names no release $version"
grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$metainfo" || fail "metainfo launches no $appid.desktop"

man=$root/usr/share/man/man1/vellory.1
out=$(LC_ALL=C.UTF-8 groff -man -ww -z "$man" 2>&1) && [ -z "$out" ] || fail "man page warnings: $out"
LC_ALL=C groff -man -Tascii -P-c "$man" 2>/dev/null | sed "s/.\x08//g" | grep -q -- "--version" || fail "the man page does not describe --version"
grep -q "Vellory $version" "$man" || fail "the man page is not for version $version"

# Icons: every size its own true size, drawn (not blank), and the SVG renders
# to the same picture as the largest PNG.
icons=$root/usr/share/icons/hicolor
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x$size/apps/$appid.png
  [ -s "$png" ] || { fail "no $size px icon"; continue; }
  got=$(identify -format '%w %h' "$png" 2>/dev/null)
  [ "$got" = "$size $size" ] || fail "the $size px icon is $got"
  opaque=$(convert "$png" -alpha extract -format '%[fx:mean]' info: 2>/dev/null)
  awk -v m="$opaque" 'BEGIN { exit !(m > 0.5) }' || fail "the $size px icon is mostly empty (alpha mean $opaque)"
done
svg=$icons/scalable/apps/$appid.svg
if rsvg-convert -w 256 -h 256 "$svg" -o "$work/svg.png" 2>"$work/rsvg.log"; then
  rmse=$(compare -metric RMSE "$icons/256x256/apps/$appid.png" "$work/svg.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  awk -v e="$rmse" 'BEGIN { exit !(e < 0.02) }' || fail "the SVG and the 256 px PNG differ (RMSE $rmse)"
else
  fail "the SVG does not render: $(cat "$work/rsvg.log")"
fi

# The installed program answers --version and --help without a display.
exe=$root/usr/bin/vellory
out=$(nodisplay "$exe" --version 2>&1); rc=$?
[ "$rc" = 0 ] || fail "--version exited with $rc"
[ "$out" = "Vellory $version" ] || fail "--version printed '$out'"
out=$(nodisplay "$exe" --help 2>&1); rc=$?
[ "$rc" = 0 ] || fail "--help exited with $rc"
echo "$out" | grep -q "^Usage: vellory" || fail "--help printed no usage: $out"
echo "$out" | grep -q -- "--version" || fail "--help does not name --version"
# Anything else needs a display: Qt's message and a failure, not a hang.
mkdir -p "$work/home" "$work/run"; chmod 700 "$work/run"
out=$(HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config \
      nodisplay timeout 20 "$exe" --no-such-option 2>&1); rc=$?
[ "$rc" != 0 ] && [ "$rc" != 124 ] || fail "without a display the program exited with $rc"
echo "$out" | grep -qi "could not connect to display\|platform plugin" || fail "without a display Qt said: $out"

# The Debian package.
pkg=$work/pkg
(cd "$build" && cpack -G DEB -B "$pkg") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; exit 1; }
deb=$(ls "$pkg"/*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { fail "cpack made no .deb"; exit 1; }
echo "package: $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Every library the program links is named (shlibdeps).
names=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//')
named() { echo "$names" | grep -qxF "$1"; }
while read -r lib path; do
  owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null)
  owner=$(echo "$owner" | head -1 | cut -d: -f1)
  [ -n "$owner" ] || { fail "no package owns $path ($lib)"; continue; }
  named "$owner" || fail "Depends does not name $owner (for $lib)"
done < <(ldd "$exe" | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }' |
         grep -F -f <(objdump -p "$exe" | awk '/NEEDED/ { print $2 }'))
# FFmpeg is loaded on first use, so it is not among the NEEDED entries.
for lib in avcodec avformat avutil swresample; do
  echo "$names" | grep -qE "^lib$lib[0-9]+$" || fail "Depends does not name lib$lib"
done
echo "$depends" | grep -qiE "pulseaudio|pipewire|wireplumber" && fail "Depends names a sound server: $depends"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vellory ./usr/share/applications/$appid.desktop ./usr/share/metainfo/$appid.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/$appid.png ./usr/share/man/man1/vellory.1; do
  echo "$contents" | grep -q " $f\$" || fail "the package holds no $f"
done
dpkg-deb -x "$deb" "$work/debroot" || fail "dpkg-deb -x failed"
out=$(nodisplay "$work/debroot/usr/bin/vellory" --version 2>&1); rc=$?
[ "$rc" = 0 ] && [ "$out" = "Vellory $version" ] || fail "the packaged program's --version: $rc '$out'"

if [ "$fails" = 0 ]; then echo "package and install: passed"; exit 0; fi
echo "package and install: $fails failure(s)"; exit 1
