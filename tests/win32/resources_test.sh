#!/usr/bin/env bash
# tonegen.exe carries its icon group as resource 1, the manifest the loader
# reads (RT_MANIFEST 24, id 1) and the files it finds at run time as RCDATA
# (src/platform/win32/resources.h), read back from the built program.
# Usage: resources_test.sh WINDRES PROGRAM.exe
set -euo pipefail
listing=$("$1" -i "$2" -O rc)
failed=0
check() { # name, first line of the resource in windres' listing
  if grep -qx "$2.*" <<<"$listing"; then
    echo "found: $1"
  else
    echo "missing: $1"
    failed=1
  fi
}
check "icon group 1" '1 14 /\* RT_GROUP_ICON \*/'
check "manifest 1" '1 24 /\* RT_MANIFEST \*/'
check "sweep recording 101" '101 RCDATA'
check "pink-noise recording 102" '102 RCDATA'
check "About picture 103" '103 RCDATA'
exit $failed
