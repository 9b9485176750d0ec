#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Long fuzzing run of the WAV reader and repair (default 2,000,000 iterations).
set -euo pipefail
cd "$(dirname "$0")/.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORY_SANITIZE=fuzz >/dev/null
cmake --build build-fuzz --target fuzz_wavreader
tests/fuzz/run_fuzzer.sh build-fuzz/tests/fuzz/fuzz_wavreader tests/fuzz/corpus "${1:-2000000}"
