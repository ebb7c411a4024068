#!/usr/bin/env bash
# apprun runs an AcceptRun process of a parameter file from its RUN option,
# typed into by a script, on the backend named by $2 (headless or qt); the
# confirmed values reach the OUTPUT file, a cancel leaves it empty, a
# section without a field list fails. With "idle" as $2, the Qt backend
# waiting for a user must use no processor time.
#   accept_run.sh <apprun> headless|qt|idle
set -euo pipefail
apprun=$1
backend=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
printf "01 ACBOUND\$=\"'Nombre:':'A20','Importe:':'N8'\":WINNAME\$='Alta de cliente'\r\n" > FORMS.PPN
printf "02 WINNAME\$='Sin campos'\r\n" >> FORMS.PPN
# The session opens on the test cluster that PGHOST and PGPORT name.
printf "database=postgres\r\nuser=postgres\r\n" > sqlparams.dat
export QT_QPA_PLATFORM=offscreen
# A sanitizer build of apprun checks for leaks (what it is told with Qt).
. "$(dirname "$0")/../sanitizers/lsan_qt.sh"
export APP_UI_TRANSCRIPT="$dir/transcript.txt"

fail() { echo "FAIL: $*"; [ -f transcript.txt ] && cat transcript.txt; exit 1; }

if [ "$backend" = idle ]; then
  APP_UI=qt "$apprun" "/DPATH:'$dir'" "/RUN:'AcceptRun,FORMS,1'" > /dev/null 2>&1 &
  pid=$!
  sleep 3
  # utime + stime in clock ticks, fields 14 and 15 of /proc/<pid>/stat
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 2
  later=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  used=$((later - ticks))
  hz=$(getconf CLK_TCK)
  echo "processor time while idle for 2 s: $used ticks of $hz a second"
  [ "$used" -le $((hz / 10)) ] || fail "an idle apprun used $used ticks in 2 seconds"
  exit 0
fi

export APP_UI=$backend
printf "type Marta\nkey Tab\ntype 125\nkey Enter\n" > confirm.script
APP_UI_SCRIPT=confirm.script "$apprun" "/DPATH:'$dir'" "/RUN:'AcceptRun,FORMS,1'" "/OUTPUT:'$dir/out.txt'" \
  > /dev/null 2>&1 || fail "the confirmed form ended with $?"
[ "$(cat out.txt)" = $'\'Marta\',\'125\'\r' ] || fail "OUTPUT holds [$(cat out.txt)]"

rm -f out.txt
printf "type Nadie\nkey Esc\n" > cancel.script
APP_UI_SCRIPT=cancel.script "$apprun" "/DPATH:'$dir'" "/RUN:'AcceptRun,FORMS,1'" "/OUTPUT:'$dir/out.txt'" \
  > /dev/null 2>&1 || true
[ ! -s out.txt ] || fail "a cancelled form wrote [$(cat out.txt)]"

code=0
APP_UI_SCRIPT=cancel.script "$apprun" "/DPATH:'$dir'" "/RUN:'AcceptRun,FORMS,2'" > /dev/null 2>&1 || code=$?
[ "$code" -ne 0 ] || fail "a section without ACBOUND\$ gave exit code 0"
if [ "$backend" = headless ]; then
  grep -q "ACBOUND" transcript.txt || fail "the error box does not name ACBOUND\$"
fi
# A procedure pattern matching two files is a choice in a list.
printf "X=WRITE('uno.txt';-1;'1')\r\n" > TUNO.PRX
printf "X=WRITE('dos.txt';-1;'2')\r\n" > TDOS.PRX
printf "select 2\nkey Enter\n" > choose.script
APP_UI_SCRIPT=choose.script "$apprun" "/DPATH:'$dir'" "/RUN:'PrcExec,T*'" > /dev/null 2>&1 \
  || fail "the chosen procedure ended with $?"
[ -f uno.txt ] && [ ! -f dos.txt ] || fail "the second of TDOS, TUNO was not the one run"

# FontSet moves the chosen font to the front of the font list.
printf "16;0;NORMAL;Courier New\r\n20;0;BOLD;DejaVu Sans Mono\r\n" > QVFONT.PPN
printf "select 2\nkey Enter\n" > font.script
APP_UI_SCRIPT=font.script "$apprun" "/DPATH:'$dir'" "/RUN:'FontSet,x'" > /dev/null 2>&1 || fail "FontSet ended with $?"
[ "$(head -c 2 QVFONT.PPN)" = "20" ] || fail "QVFONT.PPN starts with [$(head -1 QVFONT.PPN)]"

# A database that cannot be reached brings the log-in form, shown again after
# every failed attempt; values confirmed in it connect, and "Recordar" keeps
# them, password included, in a file only its owner may read.
mkdir login && cd login
cp ../FORMS.PPN .
printf "database=nosuchdb\r\nuser=postgres\r\n" > sqlparams.dat
printf "key Tab\ntype nosuchdb2\nkey Tab\ntype postgres\npress Ok\n" > login.script
printf "key Tab\ntype postgres\nkey Tab\ntype postgres\nkey Tab\nkey Tab\ntype 1\nkey Enter\n" >> login.script
printf "type Ana\npress Ok\n" >> login.script
APP_UI_SCRIPT=login.script "$apprun" "/RUN:'AcceptRun,FORMS,1'" "/OUTPUT:'$dir/login/out.txt'" \
  > /dev/null 2>&1 || fail "the run after the log-in form ended with $?"
[ "$(cat out.txt)" = $'\'Ana\',\'\'\r' ] || fail "after the log-in the OUTPUT holds [$(cat out.txt)]"
[ "$(cat sqlusrprm.dat)" = "'','postgres','postgres','','1'" ] || fail "remembered [$(cat sqlusrprm.dat)]"
[ "$(stat -c %a sqlusrprm.dat)" = 600 ] || fail "the remembered log-in is readable by others"
cd ..

echo "ok: $backend"
