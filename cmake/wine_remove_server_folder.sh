#!/usr/bin/env bash
# Removes the socket folder of a wine prefix's server, once that server has
# ended. This wine keeps the socket in a folder of its own in TMPDIR
# (wine-XXXXXX), whose name it writes into the prefix (the file `wineserver`),
# and leaves the folder behind: one per server started, which pile up in TMPDIR
# run after run. The next server of the prefix makes a new one.
# Usage: wine_remove_server_folder.sh PREFIX
prefix=$1
name=$(cat "$prefix/wineserver" 2>/dev/null) || exit 0
if [[ $name =~ ^wine-[A-Za-z0-9]{6}$ ]]; then rm -rf "${TMPDIR:-/tmp}/$name"; fi
rm -f "$prefix/wineserver"
