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

# Each damage (damages.sh) in a fresh copy of the shop, and what the
# checker says of it (exit 1).
sample="$here/../../examples/tienda"
. "$here/damages.sh"
damage() {  # name, what the checker says
  damaged_copy "$1" "$dir/app"
  set +e
  out=$("$apprun" --check "$dir/app")
  code=$?
  set -e
  [ "$code" -eq 1 ] || fail "$1: exit $code"
  out=${out//$dir\/app/APP}
  [ "$out" = "$2" ] || fail "$1 reported:
$out
instead of:
$2"
}
damage "start menu missing" \
  "APP: no menu file (.PMT): the main window opens without a menu"
damage "start menu garbage" \
  "DBMENU.PMT:1: not a text file (byte 0x01)"
damage "screen PAN garbage" \
  "CLIENTES.PAN:1: not a text file (byte 0x01)"
damage "screen PAN cut short" \
  "CLIENTES.PAN:4: the last line has no line end: is the file cut short?
CLIENTES.PAN:4: not a label or field line of screen 1: \"\"
CLIENTES.PAN:3: screen 1 has 0 field(s), but FD\$ of CLIENTES.PPN names 5: is the file cut short?"
damage "screen PPN cut short" \
  "CLIENTES.PPN:5: the last line has no line end: is the file cut short?"
damage "screen PPN garbage" \
  "CLIENTES.PPN:1: not a text file (byte 0x01)"
damage "screen PPN missing" \
  "CLIENTES.PAN: no parameter file CLIENTES.PPN beside it
DBMENU.PMT:2: no screen \"CLIENTES\" (CLIENTES.PPN) for \"MantMain CLIENTES\""
damage "dictionary cut short" \
  "KADICC.DAT:2: the last line has no line end: is the file cut short?
KADICC.DAT:2: FILEOUTBOUND: the last line has no line end: is the file cut short? (KAREL.DAT, line 4 names file 3; 0 files defined)"
damage "procedure garbage" \
  "RESUMEN.PRX:1: not a text file (byte 0x01)"
damage "procedure cut before its LOOP" \
  "CORTADO.PRX:2: SINTAXERROR: Conditional or loop of line 2 (+ remmarks) without its end (Loop, Endif...)"
damage "stock summary cut before its LOOP" \
  "RESUMEN.PRX:8: SINTAXERROR: Conditional or loop of line 6 (+ remmarks) without its end (Loop, Endif...)"
damage "rule file garbage" \
  "KARELUPSQL.DAT:1: not a text file (byte 0x01)"
damage "menu item naming nothing" \
  "DBMENU.PMT:2: no screen \"NADA\" (NADA.PPN) for \"MantMain NADA\"
DBMENU.PMT:3: unknown process kind \"Mantmain\" in \"Mantmain CLIENTES\""
set +e
"$apprun" --check "$dir/nohay" >/dev/null
[ $? -eq 1 ] || fail "a missing folder is no problem"
echo "check: the samples pass, every damage is reported"
