#!/usr/bin/env bash
# Installs the Debian 12 packages one of the README's commands needs, and no
# more. Safe to run again: it only installs what is missing.
#
# Usage: setup.sh run    building and running the Linux program (and its
#                        headless demo: a private X server and sound server)
#        setup.sh test   all of the above, and what the tests need: the
#                        Windows cross toolchains, wine, clang for fuzzing,
#                        the accessibility bus, PipeWire and a compiler cache
#
# A package mirror that is mid-sync must not stop it: apt retries each
# download, an index that still fails is said in one line and the install
# goes on with the lists it has. A package that cannot be installed is named.
# For the tests, 32-bit wine is optional: where it cannot be installed (or
# the kernel cannot start 32-bit programs) the x86 runs are left out, and
# scripts/test.sh says so. Not root: with sudo that needs no password it is
# used; otherwise the one apt-get line to run is named.
set -uo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev libpulse-dev
  # the headless demo: X server, sound server, the tools that drive and
  # record them, and the recording's measurement
  xvfb x11-utils x11-apps xdotool python3-xlib imagemagick
  pulseaudio pulseaudio-utils libfftw3-dev fonts-liberation
)
test_packages=(
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev ccache
  desktop-file-utils appstream xdg-utils stress-ng
  pipewire pipewire-pulse wireplumber dbus-daemon
  at-spi2-core gir1.2-atspi-2.0 python3-gi
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 fonts-wine
  # the packages' checks and the Windows installer
  lintian shared-mime-info wixl msitools
)
# Wanted, not required: the x86 program's tests run only where these install.
test_optional=(wine32:i386)

case ${1:-} in
  run) wanted=("${run_packages[@]}") optional=() ;;
  test) wanted=("${run_packages[@]}" "${test_packages[@]}") optional=("${test_optional[@]}") ;;
  *)
    echo "usage: setup.sh run|test" >&2
    exit 2
    ;;
esac

say() { echo "setup.sh: $*" >&2; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}

mapfile -t need < <(missing "${wanted[@]}")
mapfile -t want < <(missing "${optional[@]}")
[ $((${#need[@]} + ${#want[@]})) -eq 0 ] && exit 0

# Who installs: root itself, sudo where it asks no password, else nobody.
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
  elif [ ${#need[@]} -eq 0 ]; then
    say "left out (not root): ${want[*]}"
    exit 0
  else
    say "missing packages; as root, run:"
    echo "apt-get install -y --no-install-recommends ${need[*]}" >&2
    exit 1
  fi
fi

apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -o Acquire::Retries=5
  -o DPkg::Lock::Timeout=300)

# A foreign architecture only for the optional 32-bit packages.
for p in "${want[@]}"; do
  arch=${p##*:}
  if [ "$arch" != "$p" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    "${as_root[@]}" dpkg --add-architecture "$arch"
  fi
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! "${apt[@]}" update >"$log" 2>&1; then
  failed=$(grep -cE '^(E|W): Failed to fetch' "$log")
  say "apt-get update failed for ${failed:-some} index(es) ($(grep -m1 -oE 'Failed to fetch [^ ]+' "$log" || tail -n1 "$log")); going on with the lists there are"
fi

install() { "${apt[@]}" install -y --no-install-recommends "$@" >"$log" 2>&1; }

# All at once, which is quick; where that fails, one by one, to name the
# packages that cannot be installed.
if [ ${#need[@]} -gt 0 ] && ! install "${need[@]}"; then
  failed=()
  for p in "${need[@]}"; do install "$p" || failed+=("$p")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    tail -n 5 "$log" >&2
    say "cannot install: ${failed[*]}"
    exit 1
  fi
fi
for p in "${want[@]}"; do
  install "$p" || say "cannot install $p (optional; what needs it is left out): $(grep -m1 '^E:' "$log")"
done
exit 0
