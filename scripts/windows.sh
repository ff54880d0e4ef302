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

# Runs a toolchain step once: its stamp records that it finished and in how
# many seconds.
once() {
  local name=$1 stamp=$cache/stamps/$1
  shift
  if [ -e "$stamp" ]; then
    log "$name: done before ($(cat "$stamp") s)"
    return
  fi
  log "$name: starting"
  local start=$SECONDS
  "$@"
  mkdir -p "$cache/stamps"
  echo $((SECONDS - start)) >"$stamp"
  log "$name: done in $((SECONDS - start)) s"
}

# Downloads (and, unless told not to, unpacks with Debian's patches) a
# source package into a fresh folder.
fetch_source() {
  local dir=$1
  shift
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -qq "$@")
}

toolchain_file() {
  mkdir -p "$cache"
  cp "$root/cmake/windows-mingw.cmake" "$cache/windows-mingw.cmake"
}

build_mariadb() {
  local src=$cache/src/mariadb
  fetch_source "$src" --download-only "mariadb=$mariadb_source"
  # Only the client library is needed out of the whole server tarball.
  local tarball
  tarball=$(find "$src" -maxdepth 1 -name 'mariadb_*.orig.tar.*' ! -name '*.asc')
  tar -C "$src" -xf "$tarball" --wildcards '*/libmariadb/*'
  local dir
  dir=$(echo "$src"/*/libmariadb)
  local found
  found=$(sed -n 's/^SET(CPACK_PACKAGE_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\))/\2/p' \
    "$dir/CMakeLists.txt" | paste -sd.)
  if [ "$found" != "$connector_version" ]; then
    echo "mariadb=$mariadb_source holds Connector/C $found, not $connector_version" >&2
    exit 1
  fi
  # The server's certificate is checked against the CA file through a chain
  # engine. This file means to give its structure the Windows 7 size, which
  # every later Windows takes, but does so only when the build names a
  # Windows version; MinGW names none, so the structure came out at a later
  # size, which Wine's crypt32 refuses ("invalid parameter"): no CA file
  # could be used there.
  local certs=$dir/libmariadb/secure/schannel_certs.c
  sed -i 's/^#ifdef _WIN32_WINNT$/#if 1 \/* always the Windows 7 size *\//' "$certs"
  grep -q '^#if 1 /\* always the Windows 7 size \*/$' "$certs" || {
    echo "$certs: the Windows version it asks for was not found" >&2
    exit 1
  }
  # TLS through Windows' own Schannel: no OpenSSL needed by the driver.
  cmake -G Ninja -S "$dir" -B "$cache/build/mariadb" \
    -DCMAKE_TOOLCHAIN_FILE="$cache/windows-mingw.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$cache/mariadb" -DWITH_SSL=SCHANNEL -DWITH_UNIT_TESTS=OFF \
    -DWITH_CURL=OFF -DCLIENT_PLUGIN_DIALOG=OFF -DWITH_EXTERNAL_ZLIB=OFF >/dev/null
  "${nice[@]}" cmake --build "$cache/build/mariadb" -j"$jobs"
  cmake --install "$cache/build/mariadb" >/dev/null
  rm -rf "$src" "$cache/build/mariadb"
}

build_qtbase_source() {
  fetch_source "$cache/src/qt6-base" "qt6-base=$qt_source"
}

# The switches that matter on MinGW: without dynamicgl off next to opengl off
# the Windows platform plug-in does not compile, and Debian's tarball lacks
# the wintab header that tablet events need. Changing either later rebuilds
# most of Qt Gui, hence one fixed set from the start. What the program never
# uses is left out to save build time: the JPEG and GIF image formats, TUIO
# touch input. Direct2D stays: without it Qt 6.4's Gui leaves out the
# DirectWrite font engine that its PrintSupport still links against.
build_qtbase() {
  local mysql=$cache/mariadb
  cmake -G Ninja -S "$(echo "$cache"/src/qt6-base/qt6-base-$qt_version*/)" -B "$cache/build/qtbase" \
    -DCMAKE_TOOLCHAIN_FILE="$cache/windows-mingw.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$cache/qt6" -DCMAKE_BUILD_TYPE=Release \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
    -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_icu=OFF \
    -DFEATURE_sql_mysql=ON -DMySQL_INCLUDE_DIR="$mysql/include/mariadb" \
    -DMySQL_LIBRARY="$mysql/lib/mariadb/liblibmariadb.dll.a" \
    -DFEATURE_sql_sqlite=OFF -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF \
    -DFEATURE_sql_ibase=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=ON \
    -DFEATURE_direct2d=ON -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_tuiotouch=OFF \
    >"$cache/qtbase-configure.log"
  "${nice[@]}" cmake --build "$cache/build/qtbase" -j"$jobs"
  cmake --install "$cache/build/qtbase" >/dev/null
  rm -rf "$cache/src/qt6-base" "$cache/build/qtbase"
}

# Only libcrypto is needed (the update signatures' Ed25519 check).
build_openssl() {
  local src=$cache/src/openssl
  fetch_source "$src" "openssl=$openssl_source"
  (
    cd "$src/openssl-$openssl_version"
    ./Configure mingw64 --cross-compile-prefix=$mingw- no-tests shared \
      --prefix="$cache/openssl" --libdir=lib >/dev/null
    "${nice[@]}" make -s -j"$jobs" build_libs
    make -s install_dev >/dev/null
  )
  rm -rf "$src"
}

build_qrcodegen() {
  local src=$cache/src/qrcodegen prefix=$cache/qrcodegen
  # Only upstream's cpp/ folder is used, so Debian's packaging tarball (which
  # the mirror has been seen to lack) is not needed: the upstream tarball is
  # checked against the .dsc's checksum instead.
  fetch_source "$src" --download-only "qr-code-generator=$qrcodegen_source" || true
  local orig sum
  orig=$(ls "$src"/qr-code-generator_*.orig.tar.gz)
  sum=$(awk -v name="$(basename "$orig")" '/^Checksums-Sha256:/ { f = 1; next }
    /^[^ ]/ { f = 0 } f && $3 == name { print $1 }' "$src"/*.dsc)
  echo "$sum  $orig" | sha256sum -c --quiet
  tar -C "$src" -xf "$orig"
  local dir
  dir=$(echo "$src"/*/cpp)
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include/qrcodegen"
  $mingw-g++-posix -O2 -std=c++17 -c "$dir/qrcodegen.cpp" -o "$src/qrcodegen.o"
  rm -f "$prefix/lib/libqrcodegencpp.a"
  $mingw-ar rcs "$prefix/lib/libqrcodegencpp.a" "$src/qrcodegen.o"
  cp "$dir/qrcodegen.hpp" "$prefix/include/qrcodegen/"
  # The same module name and include folder as Debian's libqrcodegencpp-dev.
  cat >"$prefix/lib/pkgconfig/qrcodegencpp.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include/qrcodegen

Name: qrcodegencpp
Description: QR Code generator library - C++ version, built for Windows
Version: ${qrcodegen_source%%-*}
Libs: -L\${libdir} -lqrcodegencpp
Cflags: -I\${includedir}
EOF
  rm -rf "$src"
}

toolchain() {
  install_packages
  toolchain_file
  once mariadb-windows7-chain build_mariadb
  once qtbase-source build_qtbase_source
  once qtbase build_qtbase
  once openssl build_openssl
  once qrcodegen build_qrcodegen
  log "toolchain ready in $cache"
}

# The program itself, against the toolchain above. pkg-config looks only at
# the qrcodegen built for Windows, never at the machine's own .pc files; the
# program links the Connector/C that Qt's MySQL driver uses, to ask it
# whether a session is encrypted.
build_program() {
  export PKG_CONFIG_LIBDIR=$cache/qrcodegen/lib/pkgconfig
  unset PKG_CONFIG_PATH
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$cache/qt6/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DKORAVEL_BUILD_TESTS="${KORAVEL_WINDOWS_TESTS:-ON}" -DKORAVEL_BUILD_TOOLS=OFF \
    -DOPENSSL_ROOT_DIR="$cache/openssl" \
    -DMARIADB_INCLUDE_DIR="$cache/mariadb/include/mariadb" \
    -DMARIADB_LIBRARY="$cache/mariadb/lib/mariadb/liblibmariadb.dll.a" "$@" >/dev/null
  local start=$SECONDS
  "${nice[@]}" cmake --build "$build" -j"$jobs"
  log "build: koravel3.exe and its Windows tests in $((SECONDS - start)) s"
}

# The version of project() in CMakeLists.txt, as the build configured it.
program_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt"
}

# Everything the installer puts in the program's folder, as the build's
# install step lays it out (cmake/windows-install.cmake): the exe, the DLLs
# it and its plug-ins import, Qt's plug-ins and Qt's French texts.
stage_program() {
  local stage=$build/stage
  rm -rf "$stage"
  cmake --install "$build" --prefix "$stage" >/dev/null
  find "$stage" \( -iname '*.exe' -o -iname '*.dll' \) -exec $mingw-strip --strip-unneeded {} +
  log "stage: $(du -sh "$stage" | cut -f1) in $stage"
}

package_program() {
  local version out
  version=$(program_version)
  out=$build/koravel3-setup-$version.exe
  (cd "$build/stage" && find . -type f | sed 's|^\./||; s|/|\\|g' | sort |
    sed 's/^/!insertmacro File "/; s/$/"/') >"$build/stage-files.nsh"
  makensis -V2 -DVERSION="$version" -DSTAGE="$build/stage" -DFILES="$build/stage-files.nsh" \
    -DOUTFILE="$out" \
    "$root/packaging/windows/koravel3.nsi"
  log "package: $out ($(du -h "$out" | cut -f1))"
}

# The same program one version on, for the proof's update: built from a copy
# of the tree with project()'s version raised, without its tests.
build_next() {
  local version=$1 next=$2 copy=$build/next/source
  rm -rf "$copy"
  mkdir -p "$copy"
  (cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$copy")
  sed -i "s/^project(koravel3 VERSION $version /project(koravel3 VERSION $next /" "$copy/CMakeLists.txt"
  grep -q "VERSION $next " "$copy/CMakeLists.txt" || {
    echo "proof: no project() version $version to raise" >&2
    exit 1
  }
  KORAVEL_WINDOWS_BUILD=$build/next/build KORAVEL_WINDOWS_TESTS=OFF \
    bash "$copy/scripts/windows.sh" build >/dev/null
  KORAVEL_WINDOWS_BUILD=$build/next/build bash "$copy/scripts/windows.sh" stage >/dev/null
  KORAVEL_WINDOWS_BUILD=$build/next/build bash "$copy/scripts/windows.sh" package >/dev/null
  log "proof: version $next built for the update"
}

french_locale() {
  locale -a 2>/dev/null | grep -qix 'fr_FR.utf8' && return
  sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
}

# The rig's services of the Linux tests (database, print queue), the
# database without TLS on its own address, and the update channel: a signed
# manifest of the next version and its installer, served over HTTPS on the
# address the program is built with.
proof_services() {
  local next=$1 tls www=$proofdir/update/www
  # shellcheck source=lib/rig.sh
  . "$root/scripts/lib/rig.sh"
  rig_services start 127.0.0.1 --test
  KORAVEL_DB_HOST=$plain_host KORAVEL_DB_TLS=off bash "$root/scripts/db.sh" start --test >/dev/null
  tls=$(bash "$root/scripts/db.sh" tls --test)
  mkdir -p "$www"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -CA "$tls/ca.pem" -CAkey "$tls/ca-key.pem" \
    -keyout "$proofdir/update/https-key.pem" -out "$proofdir/update/https-cert.pem" 2>/dev/null
  openssl genpkey -algorithm ed25519 -out "$proofdir/update/release-key.pem"
  "$root/tools/sign-update" --public-key "$proofdir/update/release-key.pem" \
    >"$proofdir/update/public-key.txt"
  cp "$build/next/build/koravel3-setup-$next.exe" "$www/update.exe"
  "$root/tools/sign-update" "$proofdir/update/release-key.pem" "$www/update.exe" "$next" \
    https://127.0.0.1:8443/update.exe >"$www/version.json"
  echo "$next" >"$proofdir/update/version.txt"
  (cd "$www" && exec python3 "$root/scripts/lib/https-files.py" \
    "$proofdir/update/https-cert.pem" "$proofdir/update/https-key.pem" 8443) \
    >"$proofdir/https.log" 2>&1 &
  https_pid=$!
}

stop_proof_services() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${https_pid:-}" ] && kill "$https_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  KORAVEL_DB_HOST=$plain_host bash "$root/scripts/db.sh" stop --test >/dev/null 2>&1 || true
  rig_services stop 127.0.0.1 --test 2>/dev/null || true
}

# A fresh prefix as a French counter has it: the French locale, and fonts
# that stand for the form's Windows ones (Arial, Arial Black), which Wine
# lacks; without them Wine falls back to a serif face.
wine_prefix() {
  export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8
  if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
  rm -rf "$WINEPREFIX"
  wineboot -i 2>/dev/null
  local face
  for face in "Arial" "Arial Black" "Ubuntu"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
      /d "Liberation Sans" /f >/dev/null 2>&1
  done
}

registered_version() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Koravel' \
    /v DisplayVersion 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ\s*//p'
}

# One cross-built test program, run from the installed program's folder so
# that it loads the installed DLLs and plug-ins, on the platform plug-in
# given, less the functions given (those that call a Linux program, which
# Wine cannot start).
wine_test() {
  local name=$1 platform=$2 exe=$installed/tst_$1.exe f functions=()
  shift 2
  while IFS= read -r f; do
    f=${f%%(*}
    [[ " $* " == *" $f "* ]] || functions+=("$f")
  done < <(wine "$exe" -functions 2>/dev/null | tr -d '\r')
  local out=$proofdir/tst_$name.txt
  (cd "$build" && wine "$exe" -platform "$platform" -o "$(winepath -w "$out"),txt" "${functions[@]}" >/dev/null 2>&1) ||
    failed+=("$name")
  log "proof: tst_$name $(grep -a '^Totals' "$out" | cut -d, -f1-3)"
}

# The talon's pages as Wine sent them to the queue (PostScript): the back's
# two QR codes must read the saved policy's key, and the front's words must
# be there, as text (pdftotext) or, where Wine drew them as outlines, by OCR.
check_talon() {
  local key words missing=() word
  key=$(tr -d '\r\n' <"$proofdir/talon-key.txt")
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r300 \
    -sOutputFile="$proofdir/back.png" "$proofdir/back.ps"
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r300 \
    -sOutputFile="$proofdir/front.png" "$proofdir/front.ps"
  if [ "$(zbarimg -q --raw "$proofdir/back.png" 2>/dev/null | tr -d '\r' | grep -cx "$key")" != 2 ]; then
    echo "proof: the back's QR codes do not both read $key" >&2
    failed+=(talon)
  fi
  ps2pdf "$proofdir/front.ps" "$proofdir/front.pdf" 2>/dev/null
  words=$(pdftotext -layout "$proofdir/front.pdf" -)
  if [ -z "${words//[[:space:]]/}" ]; then
    tesseract "$proofdir/front.png" "$proofdir/front-ocr" -l fra >/dev/null 2>&1
    words=$(cat "$proofdir/front-ocr.txt")
    log "proof: the front's text read by OCR"
  fi
  printf '%s\n' "$words" >"$proofdir/front.txt"
  for word in SOW Plateau V.P TOYOTA COROLLA DK-1234-AB POL-778 01/02/2025 31/01/2026; do
    grep -q -- "$word" <<<"$words" || missing+=("$word")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "proof: the printed front lacks ${missing[*]} (see $proofdir/front.txt)" >&2
    failed+=(talon)
    return
  fi
  # Where the text stays text: each line's first word at its place, as
  # offsets from the first line's (the printer's margins differ), within
  # 1.5 points across and 2.5 down.
  pdftotext -bbox "$proofdir/front.pdf" - |
    sed -nE 's/.*xMin="([0-9.]+)" yMin="([0-9.]+)".*>([^<]*)<\/word>/\3 \1 \2/p' \
      >"$proofdir/front-words.txt"
  local misplaced
  misplaced=$(awk '
    NR == FNR { t[NR] = $1; x[NR] = $2; y[NR] = $3; n = NR; next }
    FNR == 1 {
      for (i = 1; i <= n; i++)
        if (t[i] == $1 && (!a || x[i] < x[a] || (x[i] == x[a] && y[i] < y[a]))) a = i
      if (!a) { print $1; exit }
      px = $2; py = $3
    }
    {
      ex = x[a] + $2 - px; ey = y[a] + $3 - py; found = 0
      for (i = 1; i <= n && !found; i++)
        if (!used[i] && t[i] == $1 && (x[i] - ex) ^ 2 < 2.25 && (y[i] - ey) ^ 2 < 6.25) {
          used[i] = 1; found = 1
        }
      if (!found) printf "%s at %.1f,%.1f; ", $1, ex, ey
    }' "$proofdir/front-words.txt" "$proofdir/front-places.txt")
  if [ -n "$misplaced" ] && [ -s "$proofdir/front-words.txt" ]; then
    echo "proof: on the printed front, not found: $misplaced" >&2
    failed+=(talon)
  else
    log "proof: talon printed: back's QR codes read $key, the front's 25 lines found$([ -s "$proofdir/front-words.txt" ] && echo ' at their places')"
  fi
}

# The installed program as a French counter shows it, on a 1366 x 768
# screen, the demo agent logged in (the demo rows put into the tests'
# database, which the next test run empties again).
screenshot() {
  local picture=$root/docs/images/windows-wine-1366x768.png
  bash "$root/scripts/db.sh" sql --test assurebdd \
    -e 'DELETE FROM principal; DELETE FROM principal1; DELETE FROM clients; DELETE FROM personnes'
  bash "$root/scripts/db.sh" sql --test assurebdd <"$root/schema/demo.sql"
  # In a Wine desktop of the screen's size, which manages the window as
  # Windows does (frame, title bar, maximised to the work area).
  (cd "$build" && exec wine explorer /desktop=Koravel,1366x768 "$installed/koravel3.exe") \
    >/dev/null 2>&1 &
  local window="" i
  for i in $(seq 60); do
    window=$(xdotool search --name "^Koravel" 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.5
  done
  [ -n "$window" ] || {
    echo "proof: the installed program showed no window" >&2
    failed+=(screenshot)
    return
  }
  sleep 3
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool type --delay 60 demo
  xdotool key Tab
  xdotool type --delay 60 demo123
  xdotool key Return
  sleep 6
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$picture"
  wineserver -k 2>/dev/null || true
  log "proof: $(basename "$picture") taken"
}

# In a fresh Wine prefix: the installer run silently, as the update channel
# runs it; then the cross-built window tests, run from the installed
# program's folder against the rig's services; the talon read back from the
# queue; the update to the next version taken by the running program.
proof() {
  local version next start=$SECONDS
  version=$(program_version)
  next=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version")
  proofdir=$build/proof plain_host=127.0.9.1 failed=()
  rm -rf "$proofdir"
  mkdir -p "$proofdir"
  install_packages
  french_locale
  build_next "$version" "$next"
  trap stop_proof_services EXIT
  proof_services "$next"
  # A screen for the Windows platform plug-in (Wine's X11 driver): the
  # offscreen one draws no text on a Windows printer.
  local display
  for display in $(seq 90 130); do [ -e "/tmp/.X11-unix/X$display" ] || break; done
  Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$display
  rig_wait 100 test -e "/tmp/.X11-unix/X$display"
  wine_prefix
  # Into a folder of the technician's choosing, blank included, as the
  # wizard's folder page allows: the update must install there too. NSIS
  # wants /D= last and unquoted, which only a command line given whole can
  # say (cmd passes a batch file's line as it stands).
  printf '%s /S /D=C:\\Koravel Guichet\r\n' "$(winepath -w "$build/koravel3-setup-$version.exe")" \
    >"$proofdir/install.bat"
  wine cmd /c "$(winepath -w "$proofdir/install.bat")"
  wineserver -w
  installed="$WINEPREFIX/drive_c/Koravel Guichet"
  [ -f "$installed/koravel3.exe" ] || {
    echo "proof: no koravel3.exe in $installed" >&2
    exit 1
  }
  [ "$(registered_version)" = "$version" ] || {
    echo "proof: the uninstall key does not name $version" >&2
    exit 1
  }
  log "proof: $version installed silently and registered for the user"
  cp "$build"/tests/tst_*.exe "$cache/qt6/bin/Qt6Test.dll" "$installed/"
  export KORAVEL_PROOF_DIR
  KORAVEL_PROOF_DIR=$(winepath -w "$proofdir")
  CUPS_SERVER=$(bash "$root/scripts/cups.sh" socket --test)
  export CUPS_SERVER
  # The server is stopped through the rig's script (a Linux program): the
  # Linux suite proves that part.
  wine_test login offscreen unreachableServer
  wine_test listings offscreen
  wine_test premium offscreen
  wine_test reports offscreen
  # A second server is started through the rig's script; tst_windows logs
  # in to the one this script started instead.
  wine_test config offscreen tlsLogin
  # On Windows' own platform plug-in: the offscreen one prints no text
  # through the spooler. Last, since its update replaces the installed
  # program.
  wine_test windows windows
  check_talon
  screenshot
  [ "$(registered_version)" = "$next" ] || {
    echo "proof: after the update, the uninstall key does not name $next" >&2
    failed+=(update)
  }
  if [ ${#failed[@]} -gt 0 ]; then
    echo "proof: failed: ${failed[*]} (results in $proofdir)" >&2
    exit 1
  fi
  log "proof: passed in $((SECONDS - start)) s"
}

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
