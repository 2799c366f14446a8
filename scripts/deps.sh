#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the host need (live-manual-epub: real EPUB
# books for a host test; sqlite3: another program holding the registry store, for a host test;
# libsdl2-dev: the reader window; xvfb, xauth, xdotool, imagemagick: its tests under an X server of their
# own; dict-jargon, dict-devil: real DICT dictionaries for the dictionary driver's tests). Safe to run
# again.
set -euo pipefail
packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 libcairo2-dev libfontconfig-dev libfreetype-dev fonts-dejavu-core
  libzip-dev zlib1g-dev libxml2-dev libdeflate-dev
  live-manual-epub
  libsdl2-dev xvfb xauth xdotool imagemagick
  dict-jargon dict-devil
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
