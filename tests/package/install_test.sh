#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and appstreamcli, installs
# it with apt-get, runs the installed programs as a new user would (an empty
# HOME, offscreen), removes the package and checks that only the user's data
# folder is left. Needs root (or sudo): it installs and removes packages.
#   tests/package/install_test.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=$(realpath "${1:-build}")
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
step() { echo "== $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

step "tools of this test"
need=()
for p in lintian appstream desktop-file-utils sqlite3 poppler-utils man-db; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

step "package"
rm -f "$BUILD"/varnex_*_amd64.deb
cmake --build "$BUILD" --target package varnex-test-driver
deb=$(ls "$BUILD"/varnex_*_amd64.deb)
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

step "lintian"
# Errors fail the test; warnings and notes are listed (README, Install).
lintian --fail-on error --info --display-info "$deb" || fail "lintian reports errors"

step "install"
if dpkg-query -W -f='${Status}' varnex 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq varnex
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$deb"
installed=$(dpkg-query -L varnex)
for f in /usr/bin/varnex /usr/bin/varnex-report /usr/bin/varnex-utility /usr/bin/varnex-server \
         /usr/share/varnex/demo/kelid.mdb /usr/share/varnex/DemoDb/kelid1.mdb /usr/share/varnex/KEL/VXHelp.hlp \
         /usr/share/varnex/pareto_of_defects.rpt /usr/share/applications/org.varnex.Varnex.desktop \
         /usr/share/metainfo/org.varnex.Varnex.metainfo.xml /usr/share/icons/hicolor/scalable/apps/org.varnex.Varnex.svg \
         /usr/share/icons/hicolor/48x48/apps/org.varnex.Varnex.png /usr/share/icons/hicolor/256x256/apps/org.varnex.Varnex.png; do
  [ -f "$f" ] || fail "$f is not installed"
done
appstreamcli validate --no-net /usr/share/metainfo/org.varnex.Varnex.metainfo.xml || fail "appstreamcli validate"
desktop-file-validate /usr/share/applications/org.varnex.Varnex.desktop || fail "desktop-file-validate"
for c in varnex varnex-report varnex-utility varnex-server; do
  man -w "$c" > /dev/null || fail "no man page for $c"
  [ "$("$c" --version)" = "$c $(dpkg-query -W -f='${Version}' varnex)" ] || fail "$c --version"
  "$c" --help | head -1 | grep -q "^usage: $c " || fail "$c --help"
done

step "first start of the installed varnex, offscreen, with an empty HOME"
home=$(mktemp -d)
chmod 755 "$home"
# A failed run leaves neither the package nor the test user's folder behind.
cleanup() {
  rm -rf "$home"
  if dpkg-query -W -f='${Status}' varnex 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq varnex > /dev/null
  fi
}
trap cleanup EXIT
demo=/usr/share/varnex/demo/kelid.mdb
model=$(sqlite3 "$demo" "SELECT ModelNumber FROM Model ORDER BY ModelNumber LIMIT 1")
inspector=$(sqlite3 "$demo" "SELECT EmployeeNum FROM Employees ORDER BY EmployeeNum LIMIT 1")
station=$(sqlite3 "$demo" "SELECT StationID FROM Station ORDER BY StationID LIMIT 1")
serial=PKG-TEST-0001
user() { env -i PATH=/usr/bin:/bin HOME="$home" LANG=en_US.UTF-8 QT_QPA_PLATFORM=offscreen "$@"; }
(cd "$home" && user LD_PRELOAD="$BUILD/tests/libvarnex-test-driver.so" \
    VARNEX_DRIVER_ROW="A|$model|$serial|$inspector|03/04/2026|$station" timeout 300 /usr/bin/varnex) \
  || fail "the installed varnex did not end cleanly"
data="$home/.local/share/varnex"
for f in kelid.mdb DemoDb/kelid1.mdb; do [ -f "$data/$f" ] || fail "$data/$f was not made"; done
for d in temp temp2; do [ -d "$data/$d" ] || fail "$data/$d was not made"; done
ls -la "$data"
stored=$(sqlite3 "$data/kelid.mdb" "SELECT count(*) FROM InspectionRecord WHERE SerialNum = '$serial' AND Station = '$station'")
[ "$stored" = 1 ] || fail "the submitted row is not in $data/kelid.mdb ($stored rows)"
echo "the submitted row is stored in $data/kelid.mdb"

step "the installed varnex-report on that folder"
(cd "$home" && user varnex-report unit_history.rpt --param "Serial;$serial;true" --csv "$home/history.csv")
grep -q "$serial" "$home/history.csv" || fail "varnex-report did not read the user's database"
(cd "$home" && user varnex-report pareto_of_defects.rpt --param "BeginDate;Date (2026, 01, 01);true" \
   --param "EndDate;Date (2026, 06, 30);true" --param "Facility;A;true" --pdf "$home/pareto.pdf")
pdfinfo "$home/pareto.pdf" | grep -q "^Pages:" || fail "varnex-report wrote no PDF"

step "the installed varnex-utility backup, twice into one folder"
mkdir "$home/backups"
user varnex-utility backup "$data" "$home/backups"
touch -d "2026-01-02 03:04" "$home/backups/kelid.mdb"
user varnex-utility backup "$data" "$home/backups"
ls "$home/backups"
[ -f "$home/backups/kelid-2026-01-02-0304.mdb" ] || fail "the replaced backup was not kept"

step "remove"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq varnex
left=0
while read -r f; do
  if [ -f "$f" ] || [ -L "$f" ]; then echo "left behind: $f"; left=1; fi
done <<< "$installed"
[ -d /usr/share/varnex ] && { echo "left behind: /usr/share/varnex"; left=1; }
[ "$left" = 0 ] || fail "the package left files behind"
[ -f "$data/kelid.mdb" ] || fail "removing the package took the user's data"
stored=$(sqlite3 "$data/kelid.mdb" "SELECT count(*) FROM InspectionRecord WHERE SerialNum = '$serial'")
[ "$stored" = 1 ] || fail "the user's row is gone"
echo "only the user's data folder is left: $(find "$home" -mindepth 1 -maxdepth 3 -path "$home/.local*" | head -3 | tr '\n' ' ')"
echo "PACKAGE TEST PASSED"
