#!/usr/bin/env bash
# apprun --check over the samples (nothing to report, exit 0) and over a
# damaged copy of the shop (each damage one line, exit 1). No database and
# no display are needed.
#   check.sh <apprun>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for sample in tienda hello; do
  out=$("$apprun" --check "$here/../../examples/$sample") || fail "$sample: exit $? with: $out"
  [ -z "$out" ] || fail "$sample reported: $out"
done

cp -r "$here/../../examples/tienda" "$dir/app"
# A procedure cut before its LOOP, and a dictionary cut short.
printf 'A=0\r\nDO_WHILE A<3\r\nA=A+1\r\n' > "$dir/app/CORTADO.PRX"
head -c 100 "$here/../../examples/tienda/KADICC.DAT" > "$dir/app/KADICC.DAT"
set +e
out=$("$apprun" --check "$dir/app")
code=$?
set -e
[ "$code" -eq 1 ] || fail "damaged copy: exit $code"
expected="CORTADO.PRX: SINTAXERROR: Conditional or loop of line 2 (+ remmarks) without its end (Loop, Endif...)
KADICC.DAT: FILEOUTBOUND: KAREL.DAT, line 4: 63:clientesR2K1:articulosR3K1"
[ "$out" = "$expected" ] || fail "damaged copy reported:
$out"
set +e
"$apprun" --check "$dir/nohay" >/dev/null
[ $? -eq 1 ] || fail "a missing folder is no problem"
echo "check: the samples pass, every damage is reported"
