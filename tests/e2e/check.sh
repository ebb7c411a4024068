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

# Each damage in a fresh copy of the shop, and what the checker says of it
# (exit 1). Garbage is written with bytes no text holds; a file cut short
# ends inside a line.
sample="$here/../../examples/tienda"
damage() {  # name, shell commands run in the copy
  rm -rf "$dir/app" && cp -r "$sample" "$dir/app"
  (cd "$dir/app" && eval "$2")
  set +e
  out=$("$apprun" --check "$dir/app")
  code=$?
  set -e
  [ "$code" -eq 1 ] || fail "$1: exit $code"
  out=${out//$dir\/app/APP}
  [ "$out" = "$3" ] || fail "$1 reported:
$out
instead of:
$3"
}
garbage=$'x\x01\x02\xff\r\nrest'
damage "start menu missing" "rm DBMENU.PMT" \
  "APP: no menu file (.PMT): the main window opens without a menu"
damage "start menu garbage" "printf '%s' \"\$garbage\" > DBMENU.PMT" \
  "DBMENU.PMT:1: not a text file (byte 0x01)"
damage "screen PAN garbage" "printf '%s' \"\$garbage\" > CLIENTES.PAN" \
  "CLIENTES.PAN:1: not a text file (byte 0x01)"
damage "screen PAN cut short" "head -c 150 $sample/CLIENTES.PAN > CLIENTES.PAN" \
  "CLIENTES.PAN:4: the last line has no line end: is the file cut short?
CLIENTES.PAN:4: not a label or field line of screen 1: \"\"
CLIENTES.PAN:3: screen 1 has 0 field(s), but FD\$ of CLIENTES.PPN names 5: is the file cut short?"
damage "screen PPN cut short" "head -c 150 $sample/CLIENTES.PPN > CLIENTES.PPN" \
  "CLIENTES.PPN:5: the last line has no line end: is the file cut short?"
damage "screen PPN garbage" "printf '%s' \"\$garbage\" > CLIENTES.PPN" \
  "CLIENTES.PPN:1: not a text file (byte 0x01)"
damage "screen PPN missing" "rm CLIENTES.PPN" \
  "CLIENTES.PAN: no parameter file CLIENTES.PPN beside it
DBMENU.PMT:2: no screen \"CLIENTES\" (CLIENTES.PPN) for \"MantMain CLIENTES\""
damage "dictionary cut short" "head -c 100 $sample/KADICC.DAT > KADICC.DAT" \
  "KADICC.DAT:2: the last line has no line end: is the file cut short?
KADICC.DAT:2: FILEOUTBOUND: the last line has no line end: is the file cut short? (KAREL.DAT, line 4 names file 3; 0 files defined)"
damage "procedure garbage" "printf '%s' \"\$garbage\" > RESUMEN.PRX" \
  "RESUMEN.PRX:1: not a text file (byte 0x01)"
damage "procedure cut before its LOOP" "printf 'A=0\r\nDO_WHILE A<3\r\nA=A+1\r\n' > CORTADO.PRX" \
  "CORTADO.PRX:2: SINTAXERROR: Conditional or loop of line 2 (+ remmarks) without its end (Loop, Endif...)"
damage "rule file garbage" "printf '%s' \"\$garbage\" > KARELUPSQL.DAT" \
  "KARELUPSQL.DAT:1: not a text file (byte 0x01)"
damage "menu item naming nothing" "printf 'Menu\r\n\tUno,MantMain NADA\r\n\tDos,Mantmain CLIENTES\r\n' > DBMENU.PMT" \
  "DBMENU.PMT:2: no screen \"NADA\" (NADA.PPN) for \"MantMain NADA\"
DBMENU.PMT:3: unknown process kind \"Mantmain\" in \"Mantmain CLIENTES\""
set +e
"$apprun" --check "$dir/nohay" >/dev/null
[ $? -eq 1 ] || fail "a missing folder is no problem"
echo "check: the samples pass, every damage is reported"
