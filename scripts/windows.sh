#!/usr/bin/env bash
# Cross-builds koravel3 for Windows on Debian 12 with MinGW-w64, packs it into
# an NSIS installer and proves both under Wine.
#
#   bash scripts/windows.sh [all|toolchain|build|stage|package|proof] [cmake args...]
#
# Steps, each needing the ones before it (all, the default, runs them all):
#   toolchain  Qt, MariaDB Connector/C, OpenSSL's libcrypto and qrcodegen
#              built for Windows from Debian's own sources into a cache outside
#              the clone; about 35 minutes the first time (qtbase), then reused.
#   build      koravel3.exe and the Windows tests into $KORAVEL_WINDOWS_BUILD
#              (default build-windows/); extra arguments go to the project's
#              cmake configure (-DKORAVEL_UPDATE_URL=..., -DKORAVEL_UPDATE_PUBLIC_KEY=...).
#   stage      the exe with every DLL, plug-in and translation it needs, in
#              build-windows/stage/.
#   package    build-windows/koravel3-setup-<version>.exe (NSIS).
#   proof      in a fresh Wine prefix, as a French counter: the installer run
#              silently, the window tests run from the installed folder
#              against the rig's services, the printed talon read back from
#              the queue, the update to the next version (built here from a
#              copy of the tree), and docs/images/windows-wine-1366x768.png.
#              Results in build-windows/proof/. About 3 minutes.
#
# Debian ships none of those libraries for MinGW. A finished toolchain step
# leaves a stamp in the cache, so a later run skips it and an interrupted run
# resumes; another version of any of them gives another cache folder. Needs
# root (apt). The proof uses the test suite's rig (scripts/db.sh --test,
# scripts/cups.sh --test) and port 8443: not beside scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
step=${1:-all}
[ $# -gt 0 ] && shift

# Debian's source packages the toolchain is built from. The newest security
# uploads sometimes have no files on the mirror yet; these ones download.
qt_version=6.4.2
qt_source=6.4.2+dfsg-10
mariadb_source=1:10.11.18-0+deb12u1
connector_version=3.3.19 # the libmariadb/ inside that MariaDB
openssl_source=3.0.20-1~deb12u2
openssl_version=${openssl_source%%-*}
qrcodegen_source=1.8.0-1.1

cache=${KORAVEL_WINDOWS_CACHE:-$HOME/.cache/koravel}/windows-$qt_version-$connector_version-$openssl_version
build=$(realpath -m "${KORAVEL_WINDOWS_BUILD:-$root/build-windows}")
mingw=x86_64-w64-mingw32
# The machine is shared: builds stay at two jobs and lowest priority.
jobs=2
nice=(nice -n 19)

log() { printf '[windows %s] %s\n' "$(date -u +%H:%M:%S)" "$*"; }

install_packages() {
  local packages=(
    mingw-w64 nsis wine wine64 python3 xvfb xauth x11-apps xdotool netpbm ghostscript zbar-tools
    poppler-utils tesseract-ocr-fra fonts-liberation2 fonts-dejavu-core locales
    build-essential cmake ninja-build pkg-config dpkg-dev perl xz-utils
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqrcodegencpp-dev libssl-dev
  )
  local missing=() p update=0
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  # apt-get source needs the source lists beside the binary ones.
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -f "$sources" ] && ! grep -q '^Types:.*deb-src' "$sources"; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    update=1
  fi
  if [ ${#missing[@]} -gt 0 ] || [ $update -eq 1 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
  fi
}

# Each step's functions, in a file of its own.
# shellcheck source=windows/toolchain.sh
. "$root/scripts/windows/toolchain.sh"
# shellcheck source=windows/program.sh
. "$root/scripts/windows/program.sh"
# shellcheck source=windows/package.sh
. "$root/scripts/windows/package.sh"
# shellcheck source=windows/proof.sh
. "$root/scripts/windows/proof.sh"

case $step in
  toolchain) toolchain ;;
  build) build_program "$@" ;;
  stage) stage_program ;;
  package) package_program ;;
  proof) proof ;;
  all)
    toolchain
    build_program "$@"
    stage_program
    package_program
    proof
    ;;
  *)
    echo "usage: $0 [all|toolchain|build|stage|package|proof] [cmake args...]" >&2
    exit 2
    ;;
esac
