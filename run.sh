#!/usr/bin/env bash
# Builds the recorder (incrementally) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vellory
exec build/app/vellory "$@"
