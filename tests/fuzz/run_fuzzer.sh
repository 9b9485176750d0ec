#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Runs a fuzzer for a fixed number of iterations over the kept corpus; new
# inputs go to a scratch folder so the kept corpus is not changed.
set -euo pipefail
fuzzer=$1 corpus=$2 runs=${3:-30000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" -runs="$runs" -seed=1 -max_len=4096 -timeout=10 "$scratch" "$corpus"
