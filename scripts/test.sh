#!/usr/bin/env bash
# Builds the project and runs every test: the normal build, then the build
# with the address and undefined-behaviour sanitizers. Warnings are errors.
# The normal build is then packaged, and the unpacked package tried
# (scripts/package-test.sh).
#   scripts/test.sh             both builds
#   scripts/test.sh --normal    the normal build only
#   scripts/test.sh --sanitize  the sanitizer build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

modes=(normal sanitize)
case "${1:-}" in
  --normal) modes=(normal) ;;
  --sanitize) modes=(sanitize) ;;
  "") ;;
  *) echo "usage: $0 [--normal|--sanitize]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
jobs=$(nproc)

for mode in "${modes[@]}"; do
  build="$root/build/$mode"
  flags=(-DAPP_WERROR=ON)
  if [ "$mode" = sanitize ]; then
    flags+=(-DAPP_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  fi
  echo "== $mode build in $build"
  cmake -S "$root" -B "$build" "${flags[@]}" >/dev/null
  cmake --build "$build" -j"$jobs"
  ctest --test-dir "$build" --output-on-failure -j"$jobs"
  if [ "$mode" = normal ]; then
    "$root/scripts/package-test.sh" "$build"
  fi
done
