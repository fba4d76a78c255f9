#!/usr/bin/env bash
# Copies a wine prefix cheaply: the program files (DLLs, executables, NLS
# tables, drivers, fonts: 690 MB of the 695 MB of a new prefix), which wine
# only ever reads, are hard links to the original's; the registry, the INI
# files and everything else wine may write are copies of their own, so
# nothing done in the copy reaches the original. The copy's wine server
# makes its own socket folder in TMPDIR: the original's name for it is not
# taken along, so that removing one prefix's folder leaves the other's.
# Usage: wine_prefix_copy.sh FROM TO   (TO must not exist)
set -euo pipefail
from=$1 to=$2
[ ! -e "$to" ] || { echo "wine_prefix_copy.sh: $to exists" >&2; exit 1; }
cp -al "$from" "$to"
rm -f "$to/wineserver"
find "$to" -type f ! -iregex '.*\.\(dll\|exe\|nls\|sys\|drv\|ocx\|cpl\|acm\|tlb\|ds\|com\|ax\|fon\|ttf\|msstyles\|icm\)' \
  -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
