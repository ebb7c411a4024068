#!/usr/bin/env bash
# Builds apprun, starts a throwaway PostgreSQL cluster, creates the sample
# application's tables and data, and opens apprun on the sample: in a Qt
# window when a display is available. Stopping apprun (or Ctrl+C) stops the
# cluster and removes it.
#
#   scripts/run-sample.sh                 Qt window, or (no display) a
#                                         headless tour and how to go on
#   scripts/run-sample.sh --headless [S]  headless: the windows as text on
#                                         standard output, input steps from
#                                         the file S (see README: scripted input)
#   scripts/run-sample.sh --xvfb [S]      Qt on a virtual display (xvfb-run),
#                                         input steps from S ("shot x.png"
#                                         takes pictures)
#
# Run it as root on a fresh Debian 12 machine: missing packages are
# installed first. SAMPLE_PORT chooses the cluster's port (55470), APP_LANG=EN
# the English texts of the runtime.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=auto
script=""
case "${1:-}" in
  --headless) mode=headless; script=${2:-} ;;
  --xvfb) mode=xvfb; script=${2:-} ;;
  "") ;;
  *) echo "usage: $0 [--headless|--xvfb [SCRIPT]]" >&2; exit 2 ;;
esac
[ -z "$script" ] || script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")

"$root/scripts/install-deps.sh"
if [ "$mode" = xvfb ] && ! command -v xvfb-run >/dev/null; then
  apt-get install -y -qq --no-install-recommends xvfb xauth
fi

build="$root/build/normal"
echo "== building apprun in $build"
cmake -S "$root" -B "$build" -DAPP_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target apprun >/dev/null

work="$root/build/sample"
port=${SAMPLE_PORT:-55470}
cluster="$work/pg"
mkdir -p "$work"
stop() { "$root/scripts/pg-cluster.sh" stop "$cluster" "$port" >/dev/null 2>&1 || true; }
trap stop EXIT
echo "== starting a PostgreSQL cluster in $cluster (port $port)"
eval "$("$root/scripts/pg-cluster.sh" start "$cluster" "$port" | sed 's/^/export /')"
createdb tienda
psql -q -v ON_ERROR_STOP=1 -d tienda -f "$root/examples/tienda/tienda.sql" 2>&1 | grep -v NOTICE || true

# The application runs from a copy, so that what it writes (the font
# choice, its log, resumen.txt) stays out of the source tree.
app="$work/tienda"
rm -rf "$app"
cp -r "$root/examples/tienda" "$app"
cd "$app"
apprun=("$build/apprun/apprun" "/DPATH:'$app'" /TRACE:6)

if [ "$mode" = auto ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    mode=qt
  else
    cat <<EOF
== no display (DISPLAY and WAYLAND_DISPLAY are not set)
   On a desktop, run this script in a terminal of it to get the Qt window.
   Here you can run it
     headless, the windows as text:   $0 --headless [steps-file]
     on a virtual display (Xvfb):     $0 --xvfb steps-file   (a "shot x.png" step takes a picture)
   A steps file holds one input step a line (README, "Scripted input"), e.g.
     menu Clientes
     key PageDown
   Meanwhile, a short headless tour of the sample:
EOF
    mode=headless
    script="$work/tour.script"
    printf 'menu Clientes\nkey PageDown\nshow\nkey Esc\nkey Esc\nclose\nanswer Yes\n' > "$script"
  fi
fi

echo "== apprun on the sample application (the SQL it sends goes to $app/KAlog.txt)"
environment=()
[ -z "$script" ] || environment+=(APP_UI_SCRIPT="$script")
case "$mode" in
  qt) env "${environment[@]}" APP_UI=qt "${apprun[@]}" ;;
  headless) env "${environment[@]}" APP_UI=headless APP_UI_TRANSCRIPT=- "${apprun[@]}" ;;
  xvfb)
    if [ -z "$script" ]; then
      echo "   no steps given: the windows wait on a virtual display nobody sees;"
      echo "   end with Ctrl+C, or give a steps file ($0 --xvfb steps-file)."
    fi
    env "${environment[@]}" APP_UI=qt xvfb-run -a "${apprun[@]}" ;;
esac
