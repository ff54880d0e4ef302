#!/usr/bin/env bash
# Installs every system package the project needs to build, run and test.
# Safe to run again: apt only acts on what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-mysql libqt6svg6
  libqrcodegencpp-dev libssl-dev
  mariadb-server mariadb-client
  cups cups-client cups-bsd poppler-utils
  openssl xvfb xauth desktop-file-utils dpkg-dev
  clang libclang-rt-14-dev iproute2 util-linux procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
# The packaged services must not run on their own: the project's scripts start
# private instances on demand.
for s in mariadb cups; do
  $SUDO systemctl disable --now "$s" >/dev/null 2>&1 || true
  $SUDO service "$s" stop >/dev/null 2>&1 || true
done
