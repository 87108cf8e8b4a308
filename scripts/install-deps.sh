#!/usr/bin/env bash
# Installs every Debian package Orvalin builds, tests and benchmarks with.
# Idempotent; run as root (or with sudo available) on a fresh Debian 12 machine.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools libqt6uitools6
  libqt6printsupport6 libqt6opengl6-dev libgl-dev libxkbcommon-dev libvulkan-dev
  libqcustomplot-dev libqcustomplot2.1-qt6
  libjpeg62-turbo-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils
  libjpeg-turbo-progs libxml2-utils poppler-utils
  python3-openpyxl python3-xlrd libfreexl-dev
  python3-numpy
  locales
  cups cups-client printer-driver-cups-pdf libcups2-dev
  clang clang-format libclang-rt-14-dev
)
# The live spreadsheet link drives LibreOffice Calc; it is optional at run
# time and installed only when asked for: ORVALIN_WITH_CALC=1.
if [ "${ORVALIN_WITH_CALC:-0}" = "1" ]; then
  PACKAGES+=(libreoffice-calc python3-uno)
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
