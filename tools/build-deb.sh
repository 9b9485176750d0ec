#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Builds the Debian package as a distribution builds one: compiler and linker
# flags from dpkg-buildflags with every hardening feature (stack protector,
# _FORTIFY_SOURCE, full RELRO with immediate binding, PIE), a release build
# without tests, then cpack. Prints the path of the .deb.
#   tools/build-deb.sh [BUILD_DIR [PACKAGE_DIR]]
# BUILD_DIR defaults to build-deb/ in the source tree, PACKAGE_DIR to BUILD_DIR.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-deb}
out=${2:-$build}
jobs=$(nproc)

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
# CMake reads no CPPFLAGS: the preprocessor flags (-D_FORTIFY_SOURCE=2) go in
# with the compiler's. The flags are passed on every run, not only the first,
# so a build folder configured otherwise is brought in line.
cxxflags="$CPPFLAGS $CXXFLAGS"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DVELLORY_SANITIZE= \
  -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" \
  >&2
cmake --build "$build" -j "$jobs" >&2
mkdir -p "$out"
rm -f "$out"/vellory_*.deb
(cd "$build" && cpack -G DEB -B "$out") >&2
ls "$out"/vellory_*.deb
