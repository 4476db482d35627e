#!/bin/sh
# Fails when engine sources include Qt headers or a binary links Qt.
#   check_no_qt.sh --sources DIR...   scan sources (skipping */ui/*)
#   check_no_qt.sh --binary FILE      inspect the dynamic section
set -eu
mode=$1; shift
case $mode in
  --sources)
    hits=$(find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) \
             -not -path '*/ui/*' -print0 |
           xargs -0 -r grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]|Qt[A-Za-z]*/|q[a-z]+\.h)' || true)
    if [ -n "$hits" ]; then
      echo "error: Qt include in engine code (keep Qt under ui/):" >&2
      echo "$hits" >&2
      exit 1
    fi ;;
  --binary)
    if readelf -d "$1" | grep -q 'NEEDED.*libQt'; then
      echo "error: $1 links Qt" >&2
      exit 1
    fi ;;
  *) echo "usage: $0 --sources DIR... | --binary FILE" >&2; exit 2 ;;
esac
