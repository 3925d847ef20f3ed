#!/usr/bin/env bash
# Installs what building, running and testing Quillmere need on Debian 12. Idempotent: quiet and
# quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  python3-pyftpdlib python3-aiosmtpd dovecot-pop3d
  clang libclang-rt-14-dev valgrind
  # the desktop program: a font for CJK names, a real secret store, printing to PDF read back,
  # the install and package checks
  fonts-wqy-microhei dbus-daemon dbus-bin gnome-keyring poppler-utils
  desktop-file-utils appstream dpkg-dev file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Dovecot's package starts a system-wide service; the tests run their own on other ports.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now dovecot >/dev/null 2>&1 || true; fi
