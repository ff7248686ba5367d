#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tamvik need.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libcurl4-openssl-dev ca-certificates openssl
  libasound2-dev libasound2-plugins alsa-utils
  libjack-jackd2-dev jackd2
  libudev-dev
  libxlsxwriter-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev
  xvfb xauth poppler-utils unzip
  openbox x11-utils
  fonts-noto-cjk
  libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "setup.sh: these packages are missing: ${missing[*]}" >&2
  echo "setup.sh: sudo is not installed; run this script as root, or install them as root with" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable real-time scheduling; answer once, quietly.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${SUDO[@]}" debconf-set-selections
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
