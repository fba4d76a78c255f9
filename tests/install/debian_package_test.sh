#!/usr/bin/env bash
# The Debian package on this machine, from build to removal: CPack builds it
# into a private folder; lintian finds no error in it (its warnings are
# logged); its dependencies must come from dpkg-shlibdeps and hold every
# library the program loads; `apt-get install ./tonegen_*.deb` installs it,
# installed_files.py checks what it put under /usr, the triggers have put
# the setup files' type into the MIME database and the desktop's choice of
# program for it is tonegen (xdg-mime), the headless demo (scripts/demo.sh)
# runs the `tonegen` found in PATH, and apt-get removes it again, leaving
# none of its files, nor the type in the database.
#
# The machine is left as it was found:
# - without root, without apt or dpkg, or with a tonegen installed by someone
#   else, the test is skipped (exit 77) and touches nothing;
# - apt-get is first asked what it would do, and nothing is installed unless
#   it is this package alone;
# - the package is removed on every way out, failures included; a run killed
#   outright (a ctest time-out) leaves a mark in /var/lib, and the next run
#   removes the package it left;
# - one run at a time on the machine (a lock in /run/lock), and apt-get waits
#   for the system's package lock instead of failing.
#
# Usage: debian_package_test.sh BUILD_DIR SOURCE_DIR VERSION DESKTOP_ID ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
build=$1 source=$2 version=$3 desktop_id=$4 analyse=$5 artifacts=$6
readonly lock=/run/lock/tonegen-package-test.lock
readonly mark=/var/lib/tonegen-package-test.installed
readonly apt_options=(-y -q -o DPkg::Lock::Timeout=120)
export DEBIAN_FRONTEND=noninteractive

log() { printf '[%s package] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
fail() {
  log "FAIL: $*"
  exit 1
}
skip() {
  echo "SKIPPED: $*"
  exit 77
}

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root; run the tests as root (scripts/test.sh does)"
for tool in apt-get apt-cache dpkg dpkg-query dpkg-deb dpkg-shlibdeps flock cpack ldd lintian xdg-mime; do
  command -v "$tool" >/dev/null || skip "$tool is missing: not a Debian system with dpkg-dev"
done

exec 9>"$lock"
flock -w 300 9 || fail "another run of this test has held $lock for 5 minutes"

package_state() { dpkg-query -W -f='${db:Status-Status}' tonegen 2>/dev/null || echo not-installed; }

remove_package() {
  log "removing tonegen"
  timeout 600 apt-get remove --purge "${apt_options[@]}" tonegen >>"$artifacts/apt-remove.log" 2>&1 &&
    [ "$(package_state)" = not-installed ] && rm -f "$mark"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/tonegen-package.XXXXXX")
# apt reads a local package as its own unprivileged user.
chmod 755 "$work"
rm -rf "$artifacts"
mkdir -p "$artifacts"
finish() {
  local status=$?
  trap - EXIT INT TERM HUP
  if [ -e "$mark" ] && ! remove_package; then
    log "FAIL: tonegen could not be removed; see $artifacts/apt-remove.log"
    status=1
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM HUP
# A reader of the log that goes away must not end the run before the removal.
trap '' PIPE

state=$(package_state)
if [ "$state" != not-installed ]; then
  [ -e "$mark" ] || skip "tonegen is $state on this machine, not by this test; it would be replaced (remove it first)"
  log "tonegen left $state by an interrupted run"
  remove_package || fail "cannot remove the tonegen an interrupted run left"
fi

# Built from the build tree, as `cpack -G DEB` in it does.
log "building the package"
timeout 300 cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$artifacts/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -n 5 "$artifacts/cpack.log")"
deb="$work/tonegen_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") in $(ls "$work")"
dpkg-deb -I "$deb" >"$artifacts/control.txt"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version)" = "tonegen $version" ] || fail "the package is $(field Package) $(field Version)"
# lintian reads the package as root does not recommend, and says so.
lintian --tag-display-limit 0 "$deb" >"$artifacts/lintian.txt" 2>/dev/null
! grep -q '^E: ' "$artifacts/lintian.txt" || fail "lintian: $(grep '^E: ' "$artifacts/lintian.txt" | paste -sd' ')"
log "lintian: no error, $(grep -c '^W: ' "$artifacts/lintian.txt") warning(s)$(sed -n 's/^W: tonegen: /; /p' "$artifacts/lintian.txt" | paste -sd '' -)"
depends=$(field Depends)
log "Depends: $depends"
for library in libc6 libqt6core6 libqt6widgets6; do
  grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library"
done

# Nothing but this package, or the machine would not be as it was after removal.
plan=$(apt-get install -s -o DPkg::Lock::Timeout=120 "$deb" 2>&1) || fail "apt-get cannot install it: $plan"
others=$(sed -n 's/^Inst \([^ ]*\).*/\1/p' <<<"$plan" | grep -vx tonegen)
[ -z "$others" ] || fail "installing would also install $(paste -sd' ' <<<"$others"); scripts/setup.sh installs what the package needs"

: >"$mark"
log "apt-get install $(basename "$deb")"
(cd "$work" && timeout 600 apt-get install "${apt_options[@]}" "./$(basename "$deb")") >"$artifacts/apt-install.log" 2>&1 ||
  fail "apt-get install failed: $(tail -n 5 "$artifacts/apt-install.log")"
[ "$(dpkg-query -W -f='${db:Status-Status} ${Version}' tonegen)" = "installed $version" ] ||
  fail "after apt-get install, tonegen is $(package_state)"
dpkg-query -L tonegen | sort >"$artifacts/files.txt"

python3 "$source/tests/install/installed_files.py" /usr "$version" "$desktop_id" "$source" >"$artifacts/installed-files.txt" ||
  fail "installed files: $(grep FAIL "$artifacts/installed-files.txt")"
log "installed files: $(grep -c '^ok' "$artifacts/installed-files.txt") checks passed"

# Every library the program loads comes with a package its dependencies
# reach: apt-cache prints each package of the closure on a line of its own.
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances tonegen | sed -n 's/^\([^ <][^ ]*\)$/\1/p' | sed 's/:.*//' | sort -u)
libraries=$(ldd /usr/bin/tonegen | sed -n 's/.* => \(\/[^ ]*\) .*/\1/p')
[ -n "$libraries" ] || fail "ldd lists no library of /usr/bin/tonegen"
# dpkg knows a library by one of its names: as ldd found it or its real
# file, either of them in /usr or in its /usr-merged twin. One question to
# dpkg for all of them.
names_of() {
  local path
  for path in "$1" "$(realpath "$1")"; do
    case $path in
      /usr/*) printf '%s\n' "$path" "${path#/usr}" ;;
      *) printf '%s\n' "$path" "/usr$path" ;;
    esac
  done
}
mapfile -t names < <(for library in $libraries; do names_of "$library"; done)
owned=$(dpkg-query -S "${names[@]}" 2>/dev/null)
for library in $libraries; do
  owner=$(names_of "$library" | while read -r name; do
    awk -v n="$name" '$NF == n { sub(/:.*/, "", $1); print $1; exit }' <<<"$owned"
  done | head -n 1)
  [ -n "$owner" ] || fail "$library belongs to no package"
  grep -qx "$owner" <<<"$closure" || fail "$library comes from $owner, which the package's dependencies do not reach"
done
grep -qx libpulse0 <<<"$closure" || fail "the dependencies do not reach the PulseAudio client library"
log "$(wc -w <<<"$libraries") libraries, each from one of the $(wc -l <<<"$closure") packages the dependencies reach (libpulse0 among them)"

# The setup files' type, from the package's MIME package through the
# database's trigger, opens with the program's desktop entry.
mime_type=application/x-tonegen-setup
in_mime_database() { grep -qx "[0-9]*:$mime_type:\*\.tonegen" /usr/share/mime/globs2 2>/dev/null; }
in_mime_database || fail "/usr/share/mime/globs2 does not map *.tonegen to $mime_type"
opener=$(XDG_DATA_HOME=$work/none XDG_CONFIG_HOME=$work/none xdg-mime query default "$mime_type")
[ "$opener" = "$desktop_id.desktop" ] || fail "xdg-mime query default $mime_type says '$opener'"
log "*.tonegen is $mime_type in the MIME database, opened by $opener"

# The installed program from PATH, headless.
found=$(PATH=/usr/bin:/bin command -v tonegen)
[ "$found" = /usr/bin/tonegen ] || fail "PATH finds '$found', not /usr/bin/tonegen"
log "headless demo of $found"
PATH=/usr/bin:/bin TONEGEN_ANALYSE=$analyse TONEGEN_DEMO_OUT="$artifacts/demo" \
  timeout 300 bash "$source/scripts/demo.sh" tonegen >"$artifacts/demo.log" 2>&1 ||
  fail "the demo of the installed program failed: $(tail -n 8 "$artifacts/demo.log")"
grep -q "started tonegen (pid [0-9]*): /usr/bin/tonegen" "$artifacts/demo.log" || fail "the demo did not run /usr/bin/tonegen"
[ -s "$artifacts/demo/tonegen-demo.wav" ] || fail "the demo left no recording"
log "demo passed; its recording, screenshot and log are in $artifacts"

remove_package || fail "apt-get remove failed: $(tail -n 5 "$artifacts/apt-remove.log")"
left=()
while read -r file; do
  [ -d "$file" ] || [ ! -e "$file" ] || left+=("$file")
done <"$artifacts/files.txt"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
! in_mime_database || fail "$mime_type is still in the MIME database after removal"
log "removed; none of its $(wc -l <"$artifacts/files.txt") paths is left but shared folders"
log "PASS"
