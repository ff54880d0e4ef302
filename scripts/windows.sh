#!/usr/bin/env bash
# Cross-builds koravel3 for Windows on Debian 12 with MinGW-w64, packs it into
# an NSIS installer and tries that installer under Wine.
#
#   bash scripts/windows.sh [all|toolchain|build|stage|package|smoke] [cmake args...]
#
# Steps, each needing the ones before it (all, the default, runs them all):
#   toolchain  Qt, MariaDB Connector/C, OpenSSL's libcrypto and qrcodegen
#              built for Windows from Debian's own sources into a cache outside
#              the clone; about 35 minutes the first time (qtbase), then reused.
#   build      koravel3.exe into $KORAVEL_WINDOWS_BUILD (default build-windows/);
#              extra arguments go to the project's cmake configure
#              (-DKORAVEL_UPDATE_URL=..., -DKORAVEL_UPDATE_PUBLIC_KEY=...).
#   stage      the exe with every DLL, plug-in and translation it needs, in
#              build-windows/stage/.
#   package    build-windows/koravel3-setup-<version>.exe (NSIS).
#   smoke      installs it silently into a fresh Wine prefix and starts the
#              installed program.
#
# Debian ships none of those libraries for MinGW. A finished toolchain step
# leaves a stamp in the cache, so a later run skips it and an interrupted run
# resumes; another version of any of them gives another cache folder. Needs
# root (apt).
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
    mingw-w64 nsis wine wine64 xvfb xauth ghostscript zbar-tools
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
  once mariadb build_mariadb
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
    -DKORAVEL_BUILD_TESTS=OFF -DOPENSSL_ROOT_DIR="$cache/openssl" \
    -DMARIADB_INCLUDE_DIR="$cache/mariadb/include/mariadb" \
    -DMARIADB_LIBRARY="$cache/mariadb/lib/mariadb/liblibmariadb.dll.a" "$@" >/dev/null
  local start=$SECONDS
  "${nice[@]}" cmake --build "$build" -j"$jobs"
  log "build: koravel3.exe in $((SECONDS - start)) s"
}

# The version of project() in CMakeLists.txt, as the build configured it.
program_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt"
}

# DLLs that every Windows has. Anything else that a staged file imports must
# be staged too.
is_system_dll() {
  case ${1,,} in
    api-ms-win-* | ext-ms-win-*) return 0 ;;
    advapi32.dll | authz.dll | bcrypt.dll | comctl32.dll | comdlg32.dll | crypt32.dll | \
      d3d11.dll | d3d9.dll | dnsapi.dll | dwmapi.dll | dwrite.dll | dxgi.dll | gdi32.dll | \
      imm32.dll | iphlpapi.dll | kernel32.dll | mpr.dll | msvcrt.dll | ncrypt.dll | \
      netapi32.dll | ntdll.dll | ole32.dll | oleaut32.dll | rpcrt4.dll | secur32.dll | \
      setupapi.dll | shcore.dll | shell32.dll | shlwapi.dll | user32.dll | userenv.dll | \
      uxtheme.dll | version.dll | winhttp.dll | winmm.dll | winspool.drv | wtsapi32.dll | \
      ws2_32.dll)
      return 0
      ;;
  esac
  return 1
}

imports() {
  $mingw-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'
}

# Brings in the DLLs that the staged files import, and the DLLs those
# import, until nothing is missing.
stage_dlls() {
  local stage=$1
  local dirs=(
    "$cache/qt6/bin" "$cache/mariadb/lib/mariadb" "$cache/openssl/bin"
    "$(dirname "$($mingw-g++-posix -print-file-name=libstdc++-6.dll)")" "/usr/$mingw/lib"
  )
  local added=1 file dll dir
  while [ $added -eq 1 ]; do
    added=0
    while IFS= read -r file; do
      for dll in $(imports "$file"); do
        is_system_dll "$dll" && continue
        [ -n "$(find "$stage" -maxdepth 1 -iname "$dll")" ] && continue
        for dir in "${dirs[@]}" missing; do
          if [ "$dir" = missing ]; then
            echo "$(basename "$file") imports $dll, found nowhere" >&2
            exit 1
          fi
          if [ -f "$dir/$dll" ]; then
            cp "$dir/$dll" "$stage/"
            added=1
            break
          fi
        done
      done
    done < <(find "$stage" -iname '*.exe' -o -iname '*.dll')
  done
}

# Everything the installer puts in the program's folder: the exe, the DLLs,
# Qt's plug-ins in their usual sub-folders and Qt's French texts.
stage_program() {
  local stage=$build/stage qt=$cache/qt6
  rm -rf "$stage"
  mkdir -p "$stage/translations"
  cp "$build/koravel3/koravel3.exe" "$stage/"
  # PNG, the only image format the program reads or writes, is built into
  # Qt Gui: no imageformats plug-in is needed. Printing needs no plug-in on
  # Windows either (Qt PrintSupport talks to the spooler itself).
  local plugin
  for plugin in platforms/qwindows platforms/qoffscreen sqldrivers/qsqlmysql \
    tls/qschannelbackend tls/qcertonlybackend styles/qwindowsvistastyle; do
    mkdir -p "$stage/$(dirname $plugin)"
    cp "$qt/plugins/$plugin.dll" "$stage/$plugin.dll"
  done
  cp /usr/share/qt6/translations/qtbase_fr.qm "$stage/translations/"
  # Qt's paths relative to the program's folder: translations/ for
  # QLibraryInfo::TranslationsPath, the plug-in folders beside the exe.
  printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"
  stage_dlls "$stage"
  find "$stage" \( -iname '*.exe' -o -iname '*.dll' \) -exec $mingw-strip --strip-unneeded {} +
  log "stage: $(du -sh "$stage" | cut -f1) in $stage"
}

package_program() {
  local version out
  version=$(program_version)
  out=$build/koravel3-setup-$version.exe
  makensis -V2 -DVERSION="$version" -DSTAGE="$build/stage" -DOUTFILE="$out" \
    "$root/packaging/windows/koravel3.nsi"
  log "package: $out ($(du -h "$out" | cut -f1))"
}

# A fresh Wine prefix, the installer run silently as a counter's agent would
# get it from an update, then the installed program started without a
# display. Wine does not pass the Linux environment through, so the program
# gets its platform on the command line.
smoke_test() {
  local version prefix=$build/wine
  version=$(program_version)
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -d "$prefix" ]; then wineserver -k 2>/dev/null || true; fi
  rm -rf "$prefix"
  wineboot -i 2>/dev/null
  wine "$build/koravel3-setup-$version.exe" /S
  wineserver -w
  local installed=$prefix/drive_c/users/${USER:-$(id -un)}/AppData/Local/Programs/Koravel
  if [ ! -f "$installed/koravel3.exe" ]; then
    echo "smoke: no koravel3.exe in $installed" >&2
    exit 1
  fi
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Koravel'
  if ! wine reg query "$key" /v DisplayVersion 2>/dev/null | tr -d '\r' | grep -q "REG_SZ\s*$version$"; then
    echo "smoke: $key has no DisplayVersion $version" >&2
    exit 1
  fi
  wine "$installed/koravel3.exe" -platform offscreen >"$build/smoke.log" 2>&1 &
  local pid=$!
  sleep 8
  if ! kill -0 $pid 2>/dev/null; then
    echo "smoke: koravel3.exe stopped within 8 s:" >&2
    cat "$build/smoke.log" >&2
    exit 1
  fi
  wineserver -k
  wait $pid || true
  log "smoke: installed $version under Wine, registered, started and stayed up"
}

case $step in
  toolchain) toolchain ;;
  build) build_program "$@" ;;
  stage) stage_program ;;
  package) package_program ;;
  smoke) smoke_test ;;
  all)
    toolchain
    build_program "$@"
    stage_program
    package_program
    smoke_test
    ;;
  *)
    echo "usage: $0 [all|toolchain|build|stage|package|smoke] [cmake args...]" >&2
    exit 2
    ;;
esac
