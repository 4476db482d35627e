#!/bin/sh
# Fails when an include between src/ folders points up the stack
#   app -> {settings, network, firmware, diagnostics} -> {port, resources} -> base
# A folder may include itself and any folder on a lower level, never one on
# its own level or above. Engine code never includes a ui/ folder; x/ui may
# include x/ and ui/ folders of lower levels.
#   check_layers.sh SRC_DIR
set -eu
[ $# -eq 1 ] || { echo "usage: $0 SRC_DIR" >&2; exit 2; }
cd "$1"
find . -type f \( -name '*.cpp' -o -name '*.h' \) | sort |
  xargs -r grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' |
  awk '
    BEGIN {
      level["base"] = 0
      level["port"] = 1; level["resources"] = 1
      level["settings"] = 2; level["network"] = 2; level["firmware"] = 2
      level["diagnostics"] = 2
      level["app"] = 3
      bad = 0
    }
    {
      # ./from/dir/file.h:LINE:#include "to/dir/file.h"
      split($0, parts, ":")
      file = substr(parts[1], 3)
      line = parts[2]
      inc = $0
      sub(/^[^"]*"/, "", inc)
      sub(/".*$/, "", inc)
      nf = split(file, f, "/")
      ni = split(inc, t, "/")
      from = f[1]; to = t[1]
      fromUi = (nf > 2 && f[2] == "ui")
      toUi = (ni > 2 && t[2] == "ui")
      if (!(to in level))
        next # not a src/ folder (a library, a generated header)
      if (!(from in level)) {
        printf "%s:%s: folder %s has no place in the stack\n", file, line, from
        bad = 1
        next
      }
      ok = (from == to || level[to] < level[from]) && (fromUi || !toUi)
      if (!ok) {
        printf "%s:%s: %s%s includes %s (points up the stack)\n", file, line, from,
               fromUi ? "/ui" : "", inc
        bad = 1
      }
    }
    END { exit bad }'
