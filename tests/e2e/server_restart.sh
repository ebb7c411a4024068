#!/usr/bin/env bash
# apprun on the sample's customers while its server stops and starts again,
# on each backend, in one session: a save tried while the server is away is
# not saved and says so in one box, the window keeps what was typed, and
# once the server is back the same save goes through, once. The run has a
# cluster of its own (same port number, its own socket folder), so the
# shared one stays up for the other tests. apprun tells the script where it
# is by the pictures its "shot" steps leave: the script stops the server on
# the first, starts it again on the second, while apprun waits.
#   server_restart.sh <apprun> headless|qt
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
backend=$2
cluster=$here/../../scripts/pg-cluster.sh

pg=$(mktemp -d)
chmod 755 "$pg"  # the server's user reaches it
"$cluster" start "$pg/pg" "$PGPORT" >/dev/null
export PGHOST=$pg/pg/sock
. "$here/sample_setup.sh" restart_${backend}
trap 'cleanup; "$cluster" stop "$pg/pg" "$PGPORT" >/dev/null 2>&1 || true; rm -rf "$pg"' EXIT

export APP_UI=$backend QT_QPA_PLATFORM=offscreen APP_UI_TRANSCRIPT="$dir/transcript.txt"
. "$here/../sanitizers/lsan_qt.sh"
{
  echo "menu Clientes"
  echo "key PageDown"
  echo "key Tab"
  echo "type Bazar Uno"
  echo "shot $dir/away"
  echo "wait 8000"
  echo "press Grabar"
  echo "answer Ok"
  echo "shot $dir/back"
  echo "wait 8000"
  echo "press Grabar"
  # Browsing goes on; Esc back to searching, Esc again closes the window.
  echo "key PageDown"
  echo "key Esc"
  echo "key Esc"
  echo "close"
  echo "answer Yes"
} > restart.script

# The marks apprun leaves, each within the time apprun waits before it.
await() {
  for _ in $(seq 1 300); do
    [ -e "$1" ] && return 0
    kill -0 "$run" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
APP_UI_SCRIPT=restart.script "$apprun" "/DPATH:'$dir/app'" /TRACE:6 > out.txt 2>&1 &
run=$!
await "$dir/away" || fail "apprun never reached the save ($(cat out.txt))"
"$cluster" halt "$pg/pg" "$PGPORT" >/dev/null
await "$dir/back" || { "$cluster" resume "$pg/pg" "$PGPORT" >/dev/null; fail "apprun never got past the failed save ($(cat out.txt))"; }
"$cluster" resume "$pg/pg" "$PGPORT" >/dev/null
wait "$run" || fail "apprun ended with $? ($(cat out.txt))"
if grep -q "^!! " out.txt transcript.txt 2>/dev/null; then
  fail "a step named nothing: $(grep -h "^!! " out.txt transcript.txt 2>/dev/null)"
fi

# Saved once, by the second Grabar.
[ "$(sql "SELECT count(*) FROM clientes WHERE nombre = 'Bazar Uno';")" = 1 ] ||
  fail "the typed name was saved $(sql "SELECT count(*) FROM clientes WHERE nombre = 'Bazar Uno';") times"
if [ "$backend" = headless ]; then
  # The failed save: one box in the user's terms, no statement, and the
  # window still editing with the typed name.
  failed=$(sed -n '/^> press Grabar/,/^> shot/p' transcript.txt)
  grep -q "Error de conexi" <<< "$failed" || fail "no connection error was shown: $failed"
  ! grep -q "SELECT\|UPDATE" <<< "$failed" || fail "the box shows the statement: $failed"
  grep -q "Bazar Uno" "$dir/back" || fail "the typed name is gone after the failed save: $(cat "$dir/back")"
fi
echo "server restart ($backend): the failed save kept the typed name, the next one saved it once"
