#!/usr/bin/env bash
# apprun on the sample application (examples/tienda): the goods received
# form reads an article's code from a bar-code scanner on COM1: (a
# pseudo-terminal that scan_into writes the reading into) and the units
# typed are added to the article's stock.
#   scanner.sh <apprun> <scan_into>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
scan_into=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
. "$here/sample_setup.sh" scanner
before=$(sql "SELECT stock FROM articulos WHERE codigo = 'A0003';")

export APP_UI=headless APP_UI_TRANSCRIPT="$dir/transcript.txt"
{
  echo "menu Lector de codigos"
  echo "menu Entrada de mercancia"
  # The scanner is read within 350 ms of the reading; then the units.
  echo "wait 2000"
  echo "type 5"
  echo "key Enter"
  echo "close"
  echo "answer Yes"
} > tour.script

APP_UI_SCRIPT=tour.script "$scan_into" A0003 "$apprun" "/DPATH:'$dir/app'" > out.txt 2>&1 \
  || fail "apprun ended with $? ($(cat out.txt))"
after=$(sql "SELECT stock FROM articulos WHERE codigo = 'A0003';")
[ "$after" = $((before + 5)) ] || fail "the stock of A0003 went from $before to $after"
grep -q "A0003" transcript.txt || fail "the reading was not shown in the form"
echo "ok"
