#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Every tracked source file names its licence and copyright holder, as the
# package's copyright file promises. Prints each file that does not.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
bad=0
while IFS= read -r f; do
  head -n 4 "$root/$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' &&
    head -n 4 "$root/$f" | grep -q 'SPDX-FileCopyrightText: .* Vellory developers' ||
    { echo "no SPDX header: $f"; bad=1; }
done < <(git -C "$root" ls-files -- '*.cpp' '*.h' '*.h.in' '*.sh' '*.py' '*.cmake' '*.cmake.in' '*CMakeLists.txt')
[ $bad = 0 ] && echo "every source file carries its SPDX header"
exit $bad
