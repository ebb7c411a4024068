#!/usr/bin/env bash
# A throwaway CUPS scheduler for tests, reached only through a Unix socket
# in its own folder, with print queues whose device writes each job's bytes
# into a file of the folder (capture:DIR/out/QUEUE.txt).
#
#   scripts/cups-server.sh start DIR QUEUE...  fresh scheduler in DIR with the queues
#   scripts/cups-server.sh stop DIR            stops it and removes DIR
#
# Clients print with CUPS_SERVER=DIR/cups.sock. As root the scheduler runs
# its jobs as the user "lp". When cupsd cannot run, start says why on
# standard error and in DIR/unavailable (tests read it to skip) and exits 1;
# with APP_CUPS_OPTIONAL=1 it exits 0 then.
set -euo pipefail

usage() { echo "usage: $0 start DIR QUEUE... | stop DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1 dir=$2
shift 2
case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac

# Says why there is no scheduler, and ends.
unavailable() {
  mkdir -p "$dir"
  echo "$*" > "$dir/unavailable"
  echo "$0: $*" >&2
  [ "${APP_CUPS_OPTIONAL:-0}" = 1 ] && exit 0
  exit 1
}

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$dir"
}

case "$action" in
  stop) stop; exit 0 ;;
  start) ;;
  *) usage ;;
esac

stop
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
[ -x "$cupsd" ] || unavailable "cupsd not found (Debian: cups-daemon)"
lpadmin=$(command -v lpadmin || echo /usr/sbin/lpadmin)
[ -x "$lpadmin" ] && command -v lpstat >/dev/null && command -v lp >/dev/null ||
  unavailable "lp, lpstat or lpadmin not found (Debian: cups-client)"
[ -d /usr/lib/cups/daemon ] || unavailable "/usr/lib/cups/daemon not found (Debian: cups-daemon)"
user=$(id -un)
group=$(id -gn)
if [ "$(id -u)" -eq 0 ]; then user=lp group=lp; fi

mkdir -p "$dir"/{spool,cache,state,log,out,ppd,serverbin/backend,serverbin/filter}
ln -s /usr/lib/cups/daemon "$dir/serverbin/daemon"
cat > "$dir/serverbin/backend/capture" <<'BACKEND'
#!/bin/sh
# The job's bytes go to the file the device URI names (capture:/path).
[ $# -eq 0 ] && exit 0
out=${DEVICE_URI#capture:}
if [ -n "${6:-}" ]; then cat "$6" >> "$out"; else cat >> "$out"; fi
BACKEND
chmod 755 "$dir/serverbin/backend/capture"
cat > "$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir
ServerBin $dir/serverbin
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User $user
Group $group
SystemGroup root
CONF
if [ "$(id -u)" -eq 0 ]; then
  chown -R root:lp "$dir"
  chmod -R g+rwX "$dir"
  chown lp:lp "$dir/out"
fi
# The scheduler runs no program that others may change.
chmod 755 "$dir/serverbin" "$dir/serverbin/backend" "$dir/serverbin/filter" "$dir/serverbin/backend/capture"
chmod 755 "$dir"

"$cupsd" -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/stdout" 2>&1 &
echo $! > "$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
for _ in $(seq 100); do
  lpstat -r >/dev/null 2>&1 && break
  kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
  sleep 0.1
done
if ! lpstat -r >/dev/null 2>&1; then
  unavailable "cupsd did not start: $(cat "$dir/log/stdout" "$dir/log/error_log" 2>/dev/null | tail -3 | tr '\n' ' ')"
fi
for queue in "$@"; do
  # Raw queues are what a printer that takes the bytes as they are needs;
  # lpadmin warns that they are deprecated.
  # A scheduler that has just started may still turn a first request away
  # ("Bad file descriptor"): the queue is asked for again for a while.
  for _ in $(seq 20); do
    "$lpadmin" -p "$queue" -E -v "capture:$dir/out/$queue.txt" -m raw 2>&1 | grep -v deprecated >&2 || true
    lpstat -p "$queue" >/dev/null 2>&1 && break
    sleep 0.2
  done
  lpstat -p "$queue" >/dev/null 2>&1 || unavailable "the queue $queue was not made"
done
echo "CUPS_SERVER=$dir/cups.sock"
