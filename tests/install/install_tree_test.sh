#!/usr/bin/env bash
# `cmake --install` of the Linux build into a private staging folder, as a
# package builder runs it (DESTDIR, prefix /usr), and every installed file
# checked by installed_files.py, the tree validated as a whole by AppStream.
# Needs no root and changes nothing outside its own temporary folder.
#
# Usage: install_tree_test.sh BUILD_DIR SOURCE_DIR VERSION DESKTOP_ID
set -euo pipefail
build=$1 source=$2 version=$3 desktop_id=$4
stage=$(mktemp -d "${TMPDIR:-/tmp}/tonegen-install.XXXXXX")
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr
python3 "$(dirname "$0")/installed_files.py" "$stage/usr" "$version" "$desktop_id" "$source" --tree
