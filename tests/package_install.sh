#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# What a user or a distribution installs: cmake --install into a scratch
# root, every file in its place and valid (desktop entry, AppStream metainfo,
# man page, hicolor icons whose SVG and PNGs show the same picture), the
# installed program's --version and --help without a display, then the .deb
# as a distribution builds it (tools/build-deb.sh: hardened flags, cpack):
# lintian --pedantic finds no error or warning, its Depends name the linked
# libraries and, with versions, those loaded on first use (libpulse and
# FFmpeg), every one of them holds on this system, and no sound server; it
# installs (into a scratch dpkg root, and as root in CI for real with apt,
# where removing any of those libraries would remove it), and the program
# unpacked from it runs.
#   package_install.sh BUILD_DIR VERSION APP_ID
# The package: $VELLORY_DEB when set; else cpack of BUILD_DIR when that was
# configured with the hardening flags; else tools/build-deb.sh builds one in
# BUILD_DIR/deb-hardened (kept, so a second run only rebuilds what changed).
set -u
build=${1:?build folder} version=${2:?version} appid=${3:?application id}
work=$(mktemp -d)
installed_for_real=""
cleanup() {
  [ -z "$installed_for_real" ] || dpkg -r vellory >/dev/null 2>&1 || echo "could not remove the installed vellory"
  rm -rf "$work"
}
trap cleanup EXIT
src=$(cd "$(dirname "$0")/.." && pwd)
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
# The program's own output must not depend on a display or a session.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS "$@"; }

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; exit 1; }
for f in bin/vellory share/applications/$appid.desktop share/metainfo/$appid.metainfo.xml \
         share/man/man1/vellory.1.gz share/icons/hicolor/scalable/apps/$appid.svg \
         share/doc/vellory/copyright share/doc/vellory/changelog.gz; do
  [ -s "$root/usr/$f" ] || fail "not installed: /usr/$f"
done
# Debian's layout: a machine-readable copyright file for the GPL, no second
# licence text (lintian's extra-license-file), a compressed man page and
# changelog whose latest entry is this version.
copyright=$root/usr/share/doc/vellory/copyright
head -1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
  fail "the copyright file is not DEP-5"
grep -qx "License: GPL-3.0-or-later" "$copyright" || fail "the copyright file names no GPL-3.0-or-later"
grep -q "/usr/share/common-licenses/GPL-3" "$copyright" || fail "the copyright file does not point to common-licenses"
[ ! -e "$root/usr/share/doc/vellory/LICENSE" ] || fail "the full licence text is installed beside the copyright file"
[ ! -e "$root/usr/share/man/man1/vellory.1" ] || fail "an uncompressed man page is installed"
changelog=$root/usr/share/doc/vellory/changelog.gz
head=$(gzip -dc "$changelog" 2>/dev/null | head -1)
[[ "$head" == "vellory ($version) "* ]] || fail "the changelog's latest entry is not $version: $head"

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

gzip -dc "$root/usr/share/man/man1/vellory.1.gz" >"$work/vellory.1" 2>/dev/null || fail "the man page is no gzip file"
man=$work/vellory.1
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
# Anything else (a plain argument is ignored) needs a display: Qt's message
# and a failure, not a hang.
mkdir -p "$work/home" "$work/run"; chmod 700 "$work/run"
out=$(HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config \
      nodisplay timeout 20 "$exe" not-an-option 2>&1); rc=$?
[ "$rc" != 0 ] && [ "$rc" != 124 ] || fail "without a display the program exited with $rc"
echo "$out" | grep -qi "could not connect to display\|platform plugin" || fail "without a display Qt said: $out"

# The Debian package, built with the hardening flags (lintian checks them).
pkg=$work/pkg
cache=$build/CMakeCache.txt
if [ -n "${VELLORY_DEB:-}" ]; then
  deb=$VELLORY_DEB
  [ -s "$deb" ] || { fail "VELLORY_DEB=$deb is no file"; exit 1; }
elif grep -q "^CMAKE_CXX_FLAGS:STRING=.*-D_FORTIFY_SOURCE=" "$cache" && grep -q "^CMAKE_EXE_LINKER_FLAGS:STRING=.*-z,now" "$cache"; then
  (cd "$build" && cpack -G DEB -B "$pkg") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; exit 1; }
  deb=$(ls "$pkg"/*.deb 2>/dev/null | head -1)
else
  echo "building the hardened package in $build/deb-hardened"
  deb=$("$src/tools/build-deb.sh" "$build/deb-hardened" "$pkg" 2>"$work/cpack.log") ||
    { tail -40 "$work/cpack.log"; fail "tools/build-deb.sh failed"; exit 1; }
fi
[ -n "$deb" ] && [ -s "$deb" ] || { fail "no .deb was made"; exit 1; }
deb=$(readlink -f "$deb")
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
# The libraries loaded on first use, each with the version that defines the
# functions the program calls (tools/depprobe).
ondemand=()
for lib in pulse0 'avcodec[0-9]+' 'avformat[0-9]+' 'avutil[0-9]+' 'swresample[0-9]+'; do
  entry=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -E "^lib$lib( |$)" | head -1)
  [ -n "$entry" ] || { fail "Depends does not name lib$lib"; continue; }
  echo "$entry" | grep -qE "^lib$lib \(>= [^)]+\)$" || fail "Depends names lib$lib without a version: $entry"
  ondemand+=("${entry%% *}")
done
# Every relation holds here: some alternative is installed at a version that
# satisfies it.
while read -r relation; do
  [ -n "$relation" ] || continue
  held=""
  while read -r alt; do
    name=${alt%% *}
    have=$(dpkg-query -W -f='${Version}' "$name" 2>/dev/null) || continue
    [ -n "$have" ] || continue
    if [[ "$alt" =~ \((<<|<=|=|>=|>>)\ ([^\)]+)\) ]]; then
      dpkg --compare-versions "$have" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" || continue
    fi
    held=1
  done < <(echo "$relation" | tr '|' '\n' | sed 's/^ *//; s/ *$//')
  [ -n "$held" ] || fail "the dependency '$relation' does not hold on this system"
done < <(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ *$//')

# lintian --pedantic: no error and no warning. Its info and pedantic notes
# are shown; the README says why those that stay do.
if command -v lintian >/dev/null; then
  lintian --pedantic --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1; rc=$?
  echo "lintian --pedantic:"; sed 's/^/  /' "$work/lintian.log"
  # It exits non-zero on an error tag, and also when it cannot run at all.
  if grep -qE "^[EW]: " "$work/lintian.log"; then
    fail "lintian reports errors or warnings"
  elif [ "$rc" != 0 ]; then
    fail "lintian failed (exit $rc)"
  fi
else
  fail "lintian is not installed (tools/install-deps.sh test)"
fi
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vellory ./usr/share/applications/$appid.desktop ./usr/share/metainfo/$appid.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/$appid.png ./usr/share/man/man1/vellory.1.gz \
         ./usr/share/doc/vellory/copyright ./usr/share/doc/vellory/changelog.gz; do
  echo "$contents" | grep -q " $f\$" || fail "the package holds no $f"
done
dpkg-deb -x "$deb" "$work/debroot" || fail "dpkg-deb -x failed"
out=$(nodisplay "$work/debroot/usr/bin/vellory" --version 2>&1); rc=$?
[ "$rc" = 0 ] && [ "$out" = "Vellory $version" ] || fail "the packaged program's --version: $rc '$out'"

# Installed by dpkg into a scratch root of its own: the package unpacks and
# configures, dpkg lists its files, and it removes cleanly. (The scratch root
# has no other package, so dependencies are checked above, not here.)
droot=$work/dpkgroot
mkdir -p "$droot/var/lib/dpkg/updates" "$droot/var/lib/dpkg/info"
: >"$droot/var/lib/dpkg/status"
dpkgr() { dpkg --root="$droot" --admindir="$droot/var/lib/dpkg" --force-not-root --force-depends \
               --force-script-chrootless --log=/dev/null "$@"; }
if dpkgr -i "$deb" >"$work/dpkg.log" 2>&1; then
  [ "$(dpkg-query --admindir="$droot/var/lib/dpkg" -W -f='${Status}' vellory)" = "install ok installed" ] ||
    fail "dpkg did not mark vellory installed in the scratch root"
  [ -x "$droot/usr/bin/vellory" ] || fail "the scratch root has no /usr/bin/vellory"
  dpkgr -r vellory >>"$work/dpkg.log" 2>&1 || fail "dpkg -r in the scratch root failed: $(tail -5 "$work/dpkg.log")"
  [ ! -e "$droot/usr/bin/vellory" ] || fail "dpkg -r left /usr/bin/vellory behind"
else
  fail "dpkg -i into a scratch root failed: $(tail -5 "$work/dpkg.log")"
fi

# As root in CI: installed for real with apt, whose resolver then removes the
# program with any library it depends on (simulated: nothing is removed).
if [ "$(id -u)" = 0 ] && [ "${CI:-}" = true ]; then
  if dpkg-query -W -f='${Status}' vellory 2>/dev/null | grep -q "install ok installed"; then
    fail "vellory is already installed on this system; not touching it"
  else
    installed_for_real=1
    if DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" >"$work/apt.log" 2>&1; then
      for lib in "${ondemand[@]}"; do
        apt-get -s remove "$lib" 2>&1 | grep -q "^Remv vellory " ||
          fail "apt-get -s remove $lib would not remove vellory"
      done
    else
      fail "apt-get install of the package failed: $(tail -5 "$work/apt.log")"
    fi
  fi
else
  echo "not root in CI: the package was installed into a scratch dpkg root only"
fi

if [ "$fails" = 0 ]; then echo "package and install: passed"; exit 0; fi
echo "package and install: $fails failure(s)"; exit 1
