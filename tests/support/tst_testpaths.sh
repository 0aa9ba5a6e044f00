#!/usr/bin/env bash
# tst_testpaths.sh SOURCEFOLDER BUILDFOLDER: every path built into the test programs (their
# -D definitions) or given to the tests (their command lines and environment) lies in the
# source tree, in the build tree, or among the system's installed files under /usr, so that
# a clone alone passes its tests. A file beside the checkout would pass on one machine only.
set -euo pipefail
source=$(realpath "$1")
build=$(realpath "$2")

# The compile definitions of every target, whatever generator wrote them.
definitions() {
  if [ -f "$build/build.ninja" ]; then
    sed -n 's/^ *DEFINES = //p' "$build/build.ninja"
  else
    find "$build" -name flags.make -exec sed -n 's/^CXX_DEFINES = //p' {} +
  fi
}
# A definition's value is a quoted path; the test files quote every argument and variable.
paths=$( {
  definitions | grep -o '=\\"/[^\\"]*' | cut -c4-
  find "$build" -name CTestTestfile.cmake -exec grep -ho '"/[^"]*"\|=/[^";]*' {} + | tr -d '"' | sed 's/^=//'
} | sort -u)
[ -n "$paths" ] || { echo "FAIL: no path found in $build: is it a configured build folder?" >&2; exit 1; }

outside=0
while IFS= read -r path; do
  real=$(realpath -m "$path")
  case "$real/" in
    "$source"/* | "$build"/* | /usr/*) ;;
    *)
      echo "outside the source and build trees: $path" >&2
      outside=1
      ;;
  esac
done <<<"$paths"
[ "$outside" -eq 0 ] || exit 1
echo "PASS: $(wc -l <<<"$paths") paths, all in $source, $build or /usr"
