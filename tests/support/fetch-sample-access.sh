#!/usr/bin/env bash
# Puts fruit.mdb at DEST: a small Jet 4 Access file that this project did not write, shipped
# as a test file of the npm package mdb 0.1.0. The tests read it as an agency's own database.
set -euo pipefail
dest="$1"
[ -s "$dest" ] && exit 0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent mdb@0.1.0 >/dev/null)
tar --no-same-owner -xzf "$work/mdb-0.1.0.tgz" -C "$work" package/test/fruit.mdb
mkdir -p "$(dirname "$dest")"
mv "$work/package/test/fruit.mdb" "$dest"
