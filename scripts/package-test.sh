#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a fresh
# folder (dpkg -x, nothing touches the system), and runs the unpacked
# programs: --version, --help, the manual pages, and the sample application
# headless against a throwaway cluster, from the unpacked files alone (its
# definitions, the English and French language modules, the latter chosen
# by the locale, and the runtime's own files), and once more on the Qt
# backend (offscreen) from the installed module.
#   scripts/package-test.sh [build folder]     (default build/normal)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/normal}" && pwd)

work=$(mktemp -d)
chmod 755 "$work"  # the server may run as the user postgres
port=${PACKAGE_TEST_PORT:-55480}
cluster="$work/pg"
stop() {
  "$root/scripts/pg-cluster.sh" stop "$cluster" "$port" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap stop EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== packaging in $build"
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack did not make the package"
deb=$(ls "$work"/package/apprun_*.deb)
echo "   $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libpq5 libqt6widgets6 libhpdf; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed ($depends)"
done

prefix="$work/root/usr"
dpkg -x "$deb" "$work/root"
# The Qt module is private to the programs, not a library of the library
# path: nothing to run ldconfig for when the package comes or goes.
dpkg-deb -e "$deb" "$work/control"
! grep -qs ldconfig "$work/control/postinst" "$work/control/postrm" || fail "the package's scripts run ldconfig"
for f in bin/apprun bin/appcontrol share/apprun/background.png \
         share/apprun/lang/QV_LANG_EN.MSJ share/apprun/lang/QV_LANG_FR.MSJ share/apprun/lang/QV_LANG_DE.MSJ share/apprun/lang/QV_LANG_IT.MSJ \
         share/apprun/examples/tienda/DBMENU.PMT share/applications/apprun.desktop \
         share/icons/hicolor/scalable/apps/apprun.svg share/man/man1/apprun.1.gz share/man/man1/appcontrol.1.gz \
         share/doc/apprun/copyright share/doc/apprun/changelog.gz share/lintian/overrides/apprun; do
  [ -e "$prefix/$f" ] || fail "the package has no $f"
done
version=$(sed -n 's/^project(apprun_runtime VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
# Debian's machine-readable copyright file, and a changelog whose newest
# entry is this version.
head -1 "$prefix/share/doc/apprun/copyright" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  || fail "the copyright file is not in the machine-readable format"
[ "$(zcat "$prefix/share/doc/apprun/changelog.gz" | head -1 | sed -n 's/^apprun (\([^)]*\)).*/\1/p')" = "$version" ] \
  || fail "the changelog's newest entry is not version $version: $(zcat "$prefix/share/doc/apprun/changelog.gz" | head -1)"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/apprun.desktop" || fail "the desktop entry is not valid"
fi
module=$(find "$prefix/lib" -name apprun-qt.so 2>/dev/null | head -1)
[ -n "$module" ] || fail "the package has no Qt module (lib/.../apprun/apprun-qt.so)"
echo "   ${module#"$prefix"/}"
for program in apprun appcontrol; do
  ! readelf -d "$prefix/bin/$program" | grep -q "NEEDED.*libQt" || fail "$program links Qt"
done

apprun="$prefix/bin/apprun"
[ "$("$apprun" --version)" = "apprun $version" ] \
  || fail "apprun --version says $("$apprun" --version)"
"$apprun" --help | grep -q "/DPATH:" || fail "apprun --help names no options"
"$prefix/bin/appcontrol" --version | grep -q "^appcontrol " || fail "appcontrol --version"
if command -v man >/dev/null; then
  for page in apprun appcontrol; do
    text=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" 2>&1)
    for section in OPTIONS ENVIRONMENT FILES "EXIT STATUS"; do
      grep -q "^$section" <<<"$text" || fail "man $page has no $section"
    done
  done
fi

echo "== the sample from the unpacked files"
eval "$("$root/scripts/pg-cluster.sh" start "$cluster" "$port" | sed 's/^/export /')"
createdb tienda
psql -q -X -v ON_ERROR_STOP=1 -d tienda -f "$prefix/share/apprun/examples/tienda/tienda.sql" >/dev/null 2>&1 \
  || fail "tienda.sql did not load"
cp -r "$prefix/share/apprun/examples/tienda" "$work/app"
printf "database=tienda\r\nuser=postgres\r\n" > "$work/app/sqlparams.dat"
[ ! -e "$work/app/QV_LANG_EN.MSJ" ] || fail "the sample brings its own language module"
printf 'menu Clientes\nkey PageDown\nshow\nkey Esc\nkey Esc\nclose\nanswer Yes\n' > "$work/tour.script"
cd "$work/app"
# Run from the unpacked tree with the build tree out of reach.
env -i PATH=/usr/bin:/bin PGHOST="$PGHOST" PGPORT="$PGPORT" PGUSER="$PGUSER" HOME="$work" \
  APP_UI=headless APP_UI_TRANSCRIPT="$work/transcript.txt" APP_UI_SCRIPT="$work/tour.script" APP_LANG=EN \
  "$apprun" "/DPATH:'$work/app'" > "$work/out.txt" 2>&1 || fail "the sample ended with $? ($(cat "$work/out.txt"))"
grep -q "Clientes" "$work/transcript.txt" || fail "no customers' window: $(cat "$work/transcript.txt")"
# The question before the end (message 0033) comes from the installed
# English module.
grep -q "$(sed -n 's/^0033 //p' "$prefix/share/apprun/lang/QV_LANG_EN.MSJ" | tr -d '\r' | cut -c1-20)" "$work/transcript.txt" \
  || fail "the English texts were not found: $(tail -20 "$work/transcript.txt")"
# Without APP_LANG a French desktop gets the installed French module (the
# transcript is UTF-8, the module Windows-1252).
env -i PATH=/usr/bin:/bin PGHOST="$PGHOST" PGPORT="$PGPORT" PGUSER="$PGUSER" HOME="$work" LANG=fr_FR.UTF-8 \
  APP_UI=headless APP_UI_TRANSCRIPT="$work/transcript-fr.txt" APP_UI_SCRIPT="$work/tour.script" \
  "$apprun" "/DPATH:'$work/app'" > "$work/out.txt" 2>&1 || fail "the French run ended with $? ($(cat "$work/out.txt"))"
french=$(LC_ALL=C sed -n 's/^0033 //p' "$prefix/share/apprun/lang/QV_LANG_FR.MSJ" | tr -d '\r' | LC_ALL=C sed 's/\\n.*//' | iconv -f CP1252 -t UTF-8)
[ -n "$french" ] || fail "the French module has no message 0033"
LC_ALL=C grep -qF "$french" "$work/transcript-fr.txt" \
  || fail "the French texts ($french) were not found: $(tail -20 "$work/transcript-fr.txt")"
# The Qt backend, found from the installed program (the build tree's
# module out of reach), on Qt's offscreen platform.
env -i PATH=/usr/bin:/bin PGHOST="$PGHOST" PGPORT="$PGPORT" PGUSER="$PGUSER" HOME="$work" \
  APP_UI=qt QT_QPA_PLATFORM=offscreen APP_UI_SCRIPT="$work/tour.script" APP_LANG=EN \
  "$apprun" "/DPATH:'$work/app'" > "$work/out-qt.txt" 2>&1 || fail "the sample on Qt ended with $? ($(cat "$work/out-qt.txt"))"
! grep -q "no Qt backend" "$work/out-qt.txt" || fail "the installed module was not found: $(cat "$work/out-qt.txt")"
echo "ok: package"
