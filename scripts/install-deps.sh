#!/usr/bin/env bash
# Installs every Debian 12 package Horalux needs to build, run, test and benchmark.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # libraries
  libgtk-3-dev libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev libglib2.0-dev
  libfontconfig-dev libx11-dev libxext-dev
  libcurl4-openssl-dev libpcre2-dev libpugixml-dev
  # fonts the clock and the skinned windows ask for by their Windows names
  fonts-arphic-uming fonts-wqy-zenhei fonts-dejavu-core
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  xvfb xauth xdotool imagemagick x11-apps x11-utils openbox xcompmgr
  libxres-dev
  dbus dbus-bin chrony procps
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # chrony's package would start the system time service; the tests run their own chronyd.
  policy=/usr/sbin/policy-rc.d
  had_policy=0
  [ -e "$policy" ] && had_policy=1
  if [ $had_policy -eq 0 ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod +x "$policy"
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  if [ $had_policy -eq 0 ]; then $SUDO rm -f "$policy"; fi
fi
