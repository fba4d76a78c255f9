#!/usr/bin/env bash
# The Windows installer under wine, in a copy of the tree's prefix of its
# own: `msiexec /i PACKAGE /qn` installs for the user alone; the installed
# program starts from where it was put (--version); the Start-menu shortcut,
# the presets, the entry in the list of installed programs (version and
# publisher) and the .tonegen association are there; a package of a newer
# version (the same files, made again with wixl) replaces it, leaving one
# entry; `msiexec /x` leaves none of its files or registry keys.
#
# Usage: msi_test.sh PACKAGE VERSION PUBLISHER WINE_LOADER WINESERVER PREFIX PREFIX_COPY WIXL_COMMAND...
# (PREFIX: the tree's prefix for windowed runs, copied while none runs;
# WIXL_COMMAND: how the build made PACKAGE, without -D Version and -o.)
set -uo pipefail
package=$1 version=$2 publisher=$3 wine=$4 wineserver=$5 source_prefix=$6 prefix_copy=$7
shift 7
wixl_command=("$@")

fail() {
  echo "FAIL: $*"
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/tonegen-msi.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# The server ends, and is waited for, before its prefix goes: the next
# run's prefix may get the same folder number, and with it this server's
# socket.
finish() {
  "$wineserver" -k 2>/dev/null && timeout 30 "$wineserver" -w 2>/dev/null
  bash "$(dirname "$prefix_copy")/wine_remove_server_folder.sh" "$WINEPREFIX"
  rm -rf "$work"
}
trap finish EXIT

# No server may write the registry while it is copied: the windowed runs
# hold this lock for as long as theirs lives.
flock -x "$source_prefix.users" bash "$prefix_copy" "$source_prefix" "$WINEPREFIX" || fail "cannot copy $source_prefix"
# One server for the whole run, so that no command meets one on its way out.
"$wineserver" -p || fail "no wine server"

wine_path() { echo "Z:${1//\//\\}"; }
msiexec() { "$wine" msiexec "$@" </dev/null >"$work/msiexec.log" 2>&1; }
reg_query() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r'; }

# The installed product's entry in the list of installed programs, by its
# DisplayName (wine keeps a per-user product's entry there too).
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { reg_query "$uninstall_key" /s | awk '/^HKEY/ { key = $0 } /DisplayName.*tonegen$/ { print key }'; }

# Wine's user may do anything, so the package itself must say that it
# needs no administrator: no ALLUSERS, and the summary's word count with
# the bit "elevated privileges are not required" (8).
command -v msiinfo >/dev/null || fail "msiinfo (Debian package msitools) is missing"
! msiinfo export "$package" Property | grep -q '^ALLUSERS' || fail "the package sets ALLUSERS"
word_count=$(msiinfo suminfo "$package" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
((word_count & 8)) || fail "the package asks for an administrator (word count '$word_count')"

newer=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")
newer_package=$work/tonegen-$newer.msi
"${wixl_command[@]}" -D "Version=$newer" -o "$newer_package" >"$work/wixl.log" 2>&1 || fail "wixl: $(cat "$work/wixl.log")"

msiexec /i "$(wine_path "$package")" /qn || fail "msiexec /i: $(cat "$work/msiexec.log")"

user_folder=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local/Programs/tonegen)
[ -d "$user_folder" ] || fail "nothing in the user's programs folder: $(ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Programs 2>&1)"
installed=$(cd "$user_folder" && find . -type f | sort | paste -sd' ')
echo "installed: $installed"
[ "$(cd "$user_folder/presets" && ls ./*.tonegen | wc -l)" -ge 6 ] || fail "the presets are not all there"
said=$("$wine" "$user_folder/tonegen.exe" --version 2>/dev/null </dev/null | tr -d '\r' | head -n 1)
[ "$said" = "tonegen $version" ] || fail "the installed program says '$said'"
shortcut=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/tonegen.lnk)
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
strings -el "$shortcut" | grep -q 'tonegen\.exe' || fail "the shortcut does not lead to tonegen.exe"

entry=$(entries)
[ "$(wc -l <<<"$entry")" -eq 1 ] && [ -n "$entry" ] || fail "entries in the list of installed programs: '$entry'"
details=$(reg_query "$entry")
grep -Eq "DisplayVersion +REG_SZ +$version\$" <<<"$details" || fail "the entry's version: $details"
grep -Fxq "    Publisher    REG_SZ    $publisher" <<<"$details" || fail "the entry's publisher: $details"
opens=$(reg_query 'HKCU\Software\Classes\tonegen.setup\shell\open\command' /ve)
type=$(reg_query 'HKCU\Software\Classes\.tonegen' /ve)
[[ $type == *"REG_SZ    tonegen.setup"* && $opens == *'tonegen\tonegen.exe" "%1"'* ]] ||
  fail ".tonegen opens with: $type $opens"
echo "$version installed: $(basename "$entry"), the shortcut, the association"

msiexec /i "$(wine_path "$newer_package")" /qn || fail "msiexec /i (newer): $(cat "$work/msiexec.log")"
entry=$(entries)
[ "$(wc -l <<<"$entry")" -eq 1 ] || fail "after the newer one, entries: $entry"
reg_query "$entry" | grep -Eq "DisplayVersion +REG_SZ +$newer\$" || fail "after the newer one, the entry says $(reg_query "$entry")"
said=$("$wine" "$user_folder/tonegen.exe" --version 2>/dev/null </dev/null | tr -d '\r' | head -n 1)
[ "$said" = "tonegen $version" ] || fail "the program after the newer package says '$said'"
echo "$newer installed over it: one entry"

msiexec /x "$(wine_path "$newer_package")" /qn || fail "msiexec /x: $(cat "$work/msiexec.log")"
left=$(find "$WINEPREFIX"/drive_c/users/*/AppData -iname '*tonegen*')
[ -z "$left" ] || fail "left after uninstalling: $left"
[ -z "$(entries)" ] || fail "the entry is left: $(entries)"
for key in 'HKCU\Software\tonegen' 'HKCU\Software\Classes\.tonegen' 'HKCU\Software\Classes\tonegen.setup'; do
  ! reg_query "$key" >/dev/null || fail "$key is left"
done
echo "uninstalled: no file, entry or key left"
