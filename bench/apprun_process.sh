#!/usr/bin/env bash
# A headless apprun as a whole process, side by side with other programs:
# - start-up: start, connect, build the dictionary from the catalogue, run an
#   empty procedure, exit; against `psql -c 'select 1'` on the same server,
#   over a database of 1 table and one of many tables; and the peak memory;
# - the procedure loop of bench/procedure_loop.cpp, 3,000,000 rounds, against
#   the `lua5.4` program running the same loop with global variables.
# Prints the medians and the ratios.
#
#   bench/apprun_process.sh APPRUN [--rounds=N] [--tables=N] [--port=P]
#
# It starts a throwaway PostgreSQL cluster of its own with the project's
# script (scripts/pg-cluster.sh) and removes it at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 APPRUN [--rounds=N] [--tables=N] [--port=P]" >&2; exit 2; }
apprun=$(realpath "$1"); shift
rounds=21 tables=29 port=55695
for arg in "$@"; do
  case "$arg" in
    --rounds=*) rounds=${arg#*=} ;;
    --tables=*) tables=${arg#*=} ;;
    --port=*) port=${arg#*=} ;;
    *) echo "unknown option $arg" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d /tmp/startupXXXXXX)
chmod 755 "$work"
cleanup() { "$here/../scripts/pg-cluster.sh" stop "$work/pg" "$port" >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT
"$here/../scripts/pg-cluster.sh" start "$work/pg" "$port" >/dev/null
export PGHOST=$work/pg/sock PGPORT=$port PGUSER=postgres APP_UI=headless
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

for n in 1 "$tables"; do
  psql -qX -d postgres -c "CREATE DATABASE t$n;"
  for i in $(seq 1 "$n"); do
    echo "CREATE TABLE a$i (k char(8) PRIMARY KEY, n varchar(30), v numeric(10,2)); CREATE INDEX a${i}_n ON a$i (n);"
  done | psql -qX -d "t$n"
  mkdir -p "$work/app$n"
  printf 'database=t%s\r\nuser=postgres\r\n' "$n" > "$work/app$n/sqlparams.dat"
  printf 'END\r\n' > "$work/app$n/EMPTY.PRX"
done
loop=3000000
printf 'A#=0\r\nI#=0\r\nDO_WHILE I#<%s\r\nA#=A#+I#*2\r\nI#=I#+1\r\nLOOP\r\n' "$loop" > "$work/app1/LOOP.PRX"
printf 'A=0 I=0 while I<%s do A=A+I*2 I=I+1 end\n' "$loop" > "$work/loop.lua"

# Milliseconds of one run of the command.
ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(( (t1 - t0) / 1000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] / 1000 }'; }
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

# Every program runs in the work folder (where apprun leaves its log), with
# no subshell around it: each measured command is the program alone.
cd "$work"
run_app() { "$apprun" "/DPATH:'$work/app$1'" "/RUN:'PrcExec,EMPTY'"; }
# The psql program itself, not Debian's wrapper script that picks it (a
# Perl start of its own).
psql_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r | head -1)/psql
[ -x "$psql_bin" ] || psql_bin=$(command -v psql)
run_psql() { "$psql_bin" -qX -d "t$1" -c 'select 1'; }
run_loop() { "$apprun" "/DPATH:'$work/app1'" "/RUN:'PrcExec,LOOP'"; }
run_lua() { lua5.4 "$work/loop.lua"; }

declare -A times
for n in 1 "$tables"; do
  : > "$work/app.$n"; : > "$work/psql.$n"
  for _ in $(seq 1 "$rounds"); do
    ms run_app "$n" >> "$work/app.$n"
    ms run_psql "$n" >> "$work/psql.$n"
  done
  times[app$n]=$(median < "$work/app.$n")
  times[psql$n]=$(median < "$work/psql.$n")
done
: > "$work/loop.app"; : > "$work/loop.lua.ms"
for _ in $(seq 1 5); do
  ms run_loop >> "$work/loop.app"
  ms run_lua >> "$work/loop.lua.ms"
done
times[loop]=$(median < "$work/loop.app")
times[lua]=$(median < "$work/loop.lua.ms")
run_app 1 >/dev/null 2>&1 || { echo "apprun failed on the empty procedure" >&2; exit 1; }
app_kib=$(peak_kib "$apprun" "/DPATH:'$work/app1'" "/RUN:'PrcExec,EMPTY'")
psql_kib=$(peak_kib "$psql_bin" -qX -d t1 -c 'select 1')

printf 'median of %s runs                   apprun ms   psql ms   ratio\n' "$rounds"
for n in 1 "$tables"; do
  printf '%3s tables                            %8s  %8s   %5.2f\n' "$n" "${times[app$n]}" "${times[psql$n]}" \
    "$(echo "${times[app$n]} / ${times[psql$n]}" | bc -l)"
done
printf 'apprun %s tables / 1 table                       %5.2f\n' "$tables" \
  "$(echo "${times[app$tables]} / ${times[app1]}" | bc -l)"
printf 'peak memory KiB                        %8s  %8s   %5.2f\n' "$app_kib" "$psql_kib" \
  "$(echo "$app_kib / $psql_kib" | bc -l)"
printf 'shared libraries loaded by apprun     %8s\n' "$(ldd "$apprun" | wc -l)"
printf 'loop of %s rounds (median of 5)       apprun ms  lua5.4 ms\n' "$loop"
printf '                                       %8s  %8s   %5.2f\n' "${times[loop]}" "${times[lua]}" \
  "$(echo "${times[loop]} / ${times[lua]}" | bc -l)"
