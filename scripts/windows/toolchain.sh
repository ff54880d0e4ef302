# shellcheck shell=bash
# shellcheck disable=SC2154 # the settings are scripts/windows.sh's
# The toolchain step of scripts/windows.sh, which sources this: Qt, MariaDB
# Connector/C, OpenSSL's libcrypto and qrcodegen built for Windows from
# Debian's own sources into the cache.

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
    cd "$src/openssl-$openssl_version" || exit 1
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
