#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Builds the recorder (incrementally) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh run
# The tests' libraries are not installed by the run set: build the program only.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target vellory
exec build/app/vellory "$@"
