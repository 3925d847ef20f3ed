#!/usr/bin/env bash
# Installs what building, running and testing Quillmere need on Debian 12. Idempotent: quiet and
# quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  openssl libssl-dev ca-certificates
  python3-pyftpdlib dovecot-pop3d postfix vsftpd
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
  # Postfix asks what it is for: nothing system-wide, the tests run instances of their own.
  echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections
  # The server packages start system-wide services on install; the tests run their own on other
  # ports, so none may start (a policy of our own only when the machine has none).
  policy=/usr/sbin/policy-rc.d
  own_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && own_policy=1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  if [ $own_policy = 1 ]; then rm -f "$policy"; fi
fi
if command -v systemctl >/dev/null 2>&1; then
  for service in dovecot postfix vsftpd; do systemctl disable --now "$service" >/dev/null 2>&1 || true; done
fi
