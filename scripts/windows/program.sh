# shellcheck shell=bash
# shellcheck disable=SC2154 # the settings are scripts/windows.sh's
# The build and stage steps of scripts/windows.sh, which sources this:
# koravel3.exe and its Windows tests, and the program's folder as the build's
# install step lays it out.

# The program itself, against the toolchain above. pkg-config looks only at
# the qrcodegen built for Windows, never at the machine's own .pc files; the
# program links the Connector/C that Qt's MySQL driver uses, to ask it
# whether a session is encrypted.
build_program() {
  # The preset windows (CMakePresets.json) names the rest.
  KORAVEL_WINDOWS_TOOLCHAIN=$cache cmake -S "$root" --preset windows -B "$build" \
    -DKORAVEL_BUILD_TESTS="${KORAVEL_WINDOWS_TESTS:-ON}" "$@" >/dev/null
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
