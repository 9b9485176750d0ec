#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Each product folder includes only from the layers below it: a folder that
# reaches up (or sideways into a sibling) would tie the lower layer to widgets
# or start-up code it must not know. Prints every offending include.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
declare -A rank=([platform]=0 [engine]=1 [res]=2 [common]=2 [library]=3 [session]=4 [dialogs]=4 [panel]=5 [app]=6)
bad=0
for from in "${!rank[@]}"; do
  while IFS= read -r hit; do
    file=${hit%%:*}
    to=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$hit")
    [ -n "${rank[$to]+x}" ] || continue
    if [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      echo "layer violation: ${file#"$root"/} ($from) includes from $to"
      bad=1
    fi
  done < <(grep -rHE '^#include "[a-z]+/' "$root/$from" --include='*.h' --include='*.cpp' 2>/dev/null)
done
# The engine and the platform layers are plain C++; the session has no widgets.
if grep -rlE '^#include <Q' "$root/engine" "$root/platform" --include='*.h' --include='*.cpp'; then
  echo "engine/ or platform/ includes Qt"; bad=1
fi
if grep -rlE '^#include <(QWidget|QDialog|QApplication|QtWidgets|QMessageBox|QAbstractButton|QMenu)' "$root/session" "$root/library"; then
  echo "session/ or library/ includes a widget header"; bad=1
fi
[ $bad = 0 ] && echo "layers read top-down"
exit $bad
