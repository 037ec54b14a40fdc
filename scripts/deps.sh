#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Varnex need,
# when any of them is missing. Sourced by run.sh and test.sh.
VARNEX_PACKAGES=(cmake ninja-build g++ ccache qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite
  libxkbcommon-dev libgl-dev libsqlite3-dev sqlite3 xvfb xauth openbox xdotool poppler-utils
  postgresql libpq-dev pkg-config dpkg-dev file librsvg2-bin libxlsxwriter-dev python3-openpyxl)
varnex_missing=()
for p in "${VARNEX_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || varnex_missing+=("$p")
done
if [ ${#varnex_missing[@]} -gt 0 ]; then
  echo "Installing: ${varnex_missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${varnex_missing[@]}"
fi
