# shellcheck shell=bash
# shellcheck disable=SC2154 # the settings are scripts/windows.sh's
# The package step of scripts/windows.sh, which sources this: the NSIS
# installer of the staged folder.

# makensis with the project's script, not CPack's NSIS generator: CPack
# writes the files with one "File /r" of its own (CPACK_NSIS_FULL_INSTALL),
# while an update run by the program must rename each file aside before
# writing it (Windows overwrites no running exe nor loaded DLL), which the
# script does file by file from the stage's list.
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
