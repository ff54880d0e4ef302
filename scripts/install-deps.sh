#!/usr/bin/env bash
# Installs every system package the project needs to build, run and test.
# Safe to run again: apt only acts on what is missing. Needs root (apt), or
# sudo.
#
# The machine's own services are left as they were found: the project's
# scripts run private MariaDB and CUPS servers on their own sockets and data
# folders, beside any that the machine runs. When this script itself installs
# mariadb-server or cups, their packages are kept from starting the system
# services (a temporary policy-rc.d); a service that was already installed is
# neither started, stopped nor disabled.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-mysql libqt6svg6 qt6-translations-l10n
  libqrcodegencpp-dev libssl-dev libmariadb-dev
  mariadb-server mariadb-client galera-4 rsync
  cups cups-client cups-bsd poppler-utils zbar-tools
  openssl xvfb xauth desktop-file-utils dpkg-dev lintian
  clang clang-format libclang-rt-14-dev iproute2 util-linux procps shellcheck
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

# invoke-rc.d and deb-systemd-invoke ask /usr/sbin/policy-rc.d before a
# package starts its service; 101 means "not now". An existing policy is the
# administrator's and stays as it is (unless a run of this script that was
# killed left its own behind).
policy=/usr/sbin/policy-rc.d
marker="Left by Koravel scripts/install-deps.sh"
if [ ! -e "$policy" ] || grep -qs "$marker" "$policy"; then
  trap '$SUDO rm -f "$policy"' EXIT
  printf '#!/bin/sh\n# %s while it runs apt.\nexit 101\n' "$marker" |
    $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
fi

$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
