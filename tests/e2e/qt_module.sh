#!/usr/bin/env bash
# The programs and the Qt module, each linked with Debian's hardening (RELRO,
# immediate binding): the programs need no Qt library, directly
# or through another (Qt comes only with the module, opened when they show
# windows), and each exports every symbol of ours the module leaves to it
# (the core's and the toolkit interface's, ui/qt/module_exports.list), so
# that the module opens in each of them.
#   qt_module.sh <module> <program>...
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
module=$1; shift
# Debian's hardening for every binary of the package, the module too:
# relocations read-only after start (RELRO) and resolved at once (BIND_NOW).
for binary in "$module" "$@"; do
  segments=$(readelf -lW "$binary")
  dynamic=$(readelf -dW "$binary")
  grep -q GNU_RELRO <<<"$segments" || fail "$binary has no RELRO segment"
  grep -Eq "\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW" <<<"$dynamic" || fail "$binary is not linked with immediate binding (-z now)"
done
ours=$(nm -D --undefined-only "$module" | awk '{print $2}' | grep -E '^_ZN(K)?(2ui|4core)' || true)
[ -n "$ours" ] || fail "$module leaves nothing to the program: does it hold a copy of the core?"
for program in "$@"; do
  needed=$(readelf -d "$program" | grep NEEDED || true)
  if grep -qi "libQt" <<<"$needed"; then fail "$program links Qt: $needed"; fi
  loaded=$(ldd "$program")
  if grep -qi "libQt" <<<"$loaded"; then fail "$program loads Qt: $loaded"; fi
  exported=$(nm -D --defined-only "$program" | awk '{print $3}')
  missing=$(comm -23 <(sort -u <<<"$ours") <(sort -u <<<"$exported") | c++filt)
  [ -z "$missing" ] || fail "$program does not export what the module needs:
$missing"
  echo "$program: $(wc -l <<<"$loaded") shared libraries, none of Qt; exports the module's $(wc -l <<<"$ours") symbols"
done
