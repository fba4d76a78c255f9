#!/usr/bin/env bash
# Makes the wine prefix an end-to-end run of a Windows program starts from:
# a new prefix (wineboot -i, made without a display so that nothing of the
# set-up shows on a test's screen) with the About box's font in it. The
# end-to-end tests make one per program and ctest run (the fixture
# e2e.PROGRAM.wine_prefix), which each run copies (cmake/wine_prefix_copy.sh);
# a scenario run by hand makes its own.
# Usage: wine_prefix.sh DIR   (WINE_LOADER, WINE_SERVER and WINEARCH as in wine.sh)
set -euo pipefail
dir=$1
loader=${WINE_LOADER:-/usr/lib/wine/wine64}
server=${WINE_SERVER:-/usr/lib/wine/wineserver}
[ -x "$loader" ] || { echo "wine_prefix.sh: $loader is missing (scripts/setup.sh test installs wine)" >&2; exit 1; }
mkdir -p "$(dirname "$dir")"
export WINEPREFIX=$dir WINEDLLOVERRIDES='mscoree,mshtml=' WINEARCH=${WINEARCH:-win64}
remove_server_folder() { bash "$(dirname "$0")/../../cmake/wine_remove_server_folder.sh" "$dir"; }
# wineserver -w waits for every process of the new prefix. Now and then
# (once in many CI runs, never here in dozens) wine fails at once in a new
# prefix ("could not load kernel32.dll"): such a prefix is made again, and
# wine's errors of each failed try are shown.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for try in 1 2 3; do
  rm -rf "$dir"
  if env -u DISPLAY WINEDEBUG=err+all "$loader" wineboot -i >"$log" 2>&1 && env -u DISPLAY "$server" -w; then
    break
  fi
  echo "wine_prefix.sh: wineboot failed (try $try of 3); wine said:" >&2
  { grep -v '^wine: created the configuration directory' "$log" || true; } | tail -n 40 >&2
  env -u DISPLAY "$server" -k 2>/dev/null || true
  timeout 10 env -u DISPLAY "$server" -w 2>/dev/null || true
  remove_server_folder
  ((try < 3)) || exit 1
done
export WINEDEBUG=-all
# This wine does not read the fonts of its own data folder: the About box's
# "Fixedsys" (the bitmap font vgafix.fon) goes where Windows keeps it.
mkdir -p "$dir/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/vgafix.fon "$dir/drive_c/windows/Fonts/" || {
  echo "wine_prefix.sh: no /usr/share/wine/fonts/vgafix.fon (scripts/setup.sh test installs fonts-wine)" >&2
  exit 1
}
# The socket folder of the server that made it goes now; each copy's server
# (and a run in this prefix itself) makes and names one of its own.
remove_server_folder
touch "$dir/.ready"
