#!/usr/bin/env bash
# scripts/setup.sh against a package system that fails as real ones do: an
# index that does not update (a mirror mid-sync), 32-bit wine that cannot be
# installed, a required package that cannot, a user who is not root (with
# and without sudo). apt-get, dpkg, dpkg-query, id and sudo are stand-ins
# first in PATH that write down what they were asked.
# Usage: setup_test.sh SETUP_SH
set -uo pipefail
setup=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/bin"

# The stand-ins read the case from files in $dir: installed (one package a
# line), broken (packages whose install fails), arches (foreign ones),
# update (the update's exit status), uid, sudo (yes: passwordless sudo).
cat >"$dir/bin/dpkg-query" <<'EOF'
#!/bin/bash
p=${!#}
grep -qx "$p" "$FAKE/installed" && echo -n 'install ok installed' && exit 0
exit 1
EOF
cat >"$dir/bin/dpkg" <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$FAKE/calls"
case $1 in
  --print-foreign-architectures) cat "$FAKE/arches" ;;
  --add-architecture) echo "$2" >>"$FAKE/arches" ;;
esac
EOF
cat >"$dir/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $* (uid $(id -u))" >>"$FAKE/calls"
for a; do case $a in update | install) verb=$a ;; -*) ;; *) [ "${verb:-}" = install ] && ps+=("$a") ;; esac; done
if [ "$verb" = update ]; then
  s=$(cat "$FAKE/update")
  [ "$s" = 0 ] || echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress?"
  exit "$s"
fi
for p in "${ps[@]}"; do
  grep -qx "$p" "$FAKE/broken" && { echo "E: Unable to correct problems, you have held broken packages."; exit 100; }
done
printf '%s\n' "${ps[@]}" >>"$FAKE/installed"
EOF
printf '#!/bin/bash\n[ "$1" = -u ] && cat "$FAKE/uid"\n' >"$dir/bin/id"
cat >"$dir/bin/sudo" <<'EOF'
#!/bin/bash
[ "$(cat "$FAKE/sudo")" = yes ] || exit 1
shift
echo 0 >"$FAKE/uid"
exec "$@"
EOF
chmod +x "$dir"/bin/*

# Every package the mode asks for, by running it once where all installs.
packages() {
  reset 0 0 yes
  FAKE=$dir/case PATH="$dir/bin:$PATH" bash "$setup" "$1" >/dev/null 2>&1
  grep -v '^$' "$dir/case/installed"
}

reset() { # UPDATE_STATUS UID SUDO [BROKEN...]
  rm -rf "$dir/case" && mkdir "$dir/case"
  echo "$1" >"$dir/case/update"
  echo "$2" >"$dir/case/uid"
  echo "$3" >"$dir/case/sudo"
  shift 3
  printf '%s\n' "$@" >"$dir/case/broken"
  : >"$dir/case/installed" && : >"$dir/case/arches" && : >"$dir/case/calls"
}

run_packages=$(packages run)
test_packages=$(packages test)

failures=0
check() { # NAME CONDITION...
  local name=$1
  shift
  if "$@"; then echo "ok   $name"; else
    echo "FAIL $name"
    sed 's/^/     | /' "$dir/out"
    failures=$((failures + 1))
  fi
}
said() { grep -q -- "$1" "$dir/out"; }
called() { grep -q -- "$1" "$dir/case/calls"; }
has_installed() { grep -qx -- "$1" "$dir/case/installed"; }

# MODE UPDATE_STATUS UID SUDO INSTALLED(all|required|none) [BROKEN...]: runs
# setup.sh; sets status. required: all but the optional 32-bit wine.
run() {
  local mode=$1 installed=$5
  reset "$2" "$3" "$4" "${@:6}"
  if [ "$installed" != none ]; then
    if [ "$mode" = run ]; then echo "$run_packages"; else echo "$test_packages"; fi >"$dir/case/installed"
  fi
  [ "$installed" != required ] || sed -i '/:i386$/d' "$dir/case/installed"
  FAKE=$dir/case PATH="$dir/bin:$PATH" bash "$setup" "$mode" >"$dir/out" 2>&1
  status=$?
}
status_is() { [ "$status" = "$1" ]; }

# The plain run asks for none of wine, mingw, clang, the i386 architecture
# or the accessibility tools (which packages it does ask for is setup.sh's
# list, not restated here).
run run 0 0 no none
check "run: nothing of the tests" eval '! grep -qE "wine|wixl|lintian|mingw|clang|at-spi|pipewire|stress-ng|googletest" "$dir/case/installed"'
check "run: no foreign architecture" eval '! called add-architecture'
check "run: apt retries downloads" called 'Acquire::Retries='

# A mirror mid-sync: one index fails; the install goes on and 32-bit wine,
# which it breaks, is left out, said once.
run test 100 0 no none wine32:i386
check "failed index: said in one line" eval 'said "apt-get update failed for 1 index" && [ "$(grep -c "update failed" "$dir/out")" = 1 ]'
check "failed index: the install goes on" has_installed wine
check "32-bit wine refused: named as optional, success" eval 'status_is 0 && said "cannot install wine32:i386 (optional"'
check "test: the i386 architecture added for it" called 'add-architecture i386'

# A required package that cannot be installed is named, and the run fails.
run run 0 0 no none libpulse-dev
check "required package refused: named, failure" eval 'status_is 1 && said "cannot install: libpulse-dev"'
check "required package refused: the rest installed" has_installed qt6-base-dev

# Not root.
run run 0 1000 no all
check "not root, all there: success, apt-get not called" eval 'status_is 0 && ! called apt-get'
run run 0 1000 no none
check "not root, packages missing: the apt-get line named" eval 'status_is 1 && said "^apt-get install -y --no-install-recommends .*qt6-base-dev" && ! called apt-get'
run run 0 1000 yes none
check "not root, passwordless sudo: installed through it" eval 'status_is 0 && called "install .*(uid 0)" && has_installed qt6-base-dev'
run test 0 1000 no required
check "not root, only 32-bit wine missing: left out, success" eval 'status_is 0 && said "left out (not root): wine32:i386"'

# Safe to run twice: nothing missing, nothing done.
run test 0 0 no all
echo wine32:i386 >>"$dir/case/installed"
: >"$dir/case/calls"
FAKE=$dir/case PATH="$dir/bin:$PATH" bash "$setup" test >"$dir/out" 2>&1
status=$?
check "again, all there: nothing called" eval 'status_is 0 && ! called apt-get && ! called add-architecture'

exit $((failures > 0))
