# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The command line of both tools, with no window: --help and --version print
# and exit 0; an unknown option or a refused setup is told on standard error
# with exit 2 and no window; the render tool exits 1 on a refused setup or an
# unwritable file and leaves no file.
out="$E2E_RUN/out.txt"
err="$E2E_RUN/err.txt"

# Runs ARGS (app_run or app_render and their arguments) and
# checks its exit status (STATUS) and that standard output or error (WHERE:
# out or err) holds TEXT; Windows line ends are read as Unix ones.
expect_run() {
  local status=$1 where=$2 text=$3 got file
  shift 3
  "$@" >"$out" 2>"$err"
  got=$?
  file=$out
  [ "$where" = out ] || file=$err
  [ "$got" = "$status" ] || e2e_fail "'${*:2}' exited with $got, expected $status (stderr: $(tr -d '\r' <"$err" | head -c 300))"
  tr -d '\r' <"$file" | grep -qF -- "$text" ||
    e2e_fail "'${*:2}' wrote no '$text' to standard $where: '$(tr -d '\r' <"$file" | head -c 300)'"
  e2e_log "'${*:2}': exit $got, '$text' on standard $where"
}

e2e_start_xvfb
expect_run 0 out "usage: tonegen " app_run --help
expect_run 0 out "--list-devices" app_run --help
expect_run 0 out "tonegen " app_run --version
expect_run 2 err "usage: tonegen " app_run --no-such-option
expect_run 2 err "item 1: gain 140 is above 100" app_run --setup "tonegen-setup 1: 80@140"
expect_run 2 err "usage: tonegen " app_run --setup
[ -z "$(xwin list)" ] || e2e_fail "a window opened: $(xwin list)"

expect_run 0 out "usage: tonegen-render " app_render --help
expect_run 1 err "item 1: gain 140 is above 100" app_render --setup "tonegen-setup 1: 80@140" -o "$E2E_RUN/bad.wav"
[ ! -e "$E2E_RUN/bad.wav" ] || e2e_fail "a refused setup left a file"
expect_run 1 err "cannot write" app_render --seconds 1 -o "$E2E_RUN/no-such-folder/out.wav"
[ ! -e "$E2E_RUN/no-such-folder" ] || e2e_fail "an unwritable path left something behind"
expect_run 1 err "tonegen-render: " app_render --seconds 0 -o "$E2E_RUN/zero.wav"
[ ! -e "$E2E_RUN/zero.wav" ] || e2e_fail "a refused length left a file"
