#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root
# and checks what it holds and what it declares it needs.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"

root=$work/root
check "program installed" test -x "$root/usr/bin/koravel3"
check "desktop entry" test -f "$root/usr/share/applications/koravel3.desktop"
check "desktop entry valid" desktop-file-validate "$root/usr/share/applications/koravel3.desktop"
check "desktop entry French name" grep -qx 'Name=Koravel Assurances' "$root/usr/share/applications/koravel3.desktop"
check "desktop entry French comment" grep -q '^Comment=Émettre' "$root/usr/share/applications/koravel3.desktop"
check "icon" test -s "$root/usr/share/icons/hicolor/128x128/apps/koravel3.png"
for f in schema.sql tariffs.sql demo.sql; do
  check "schema file $f" test -s "$root/usr/share/koravel3/schema/$f"
done
check "server README" test -s "$root/usr/share/doc/koravel3/LISEZMOI-serveur.md"
for dep in libqt6sql6-mysql libqt6widgets6 libqt6sql6 libqt6network6 libqt6printsupport6 \
  libqt6gui6 libqt6core6 libc6 qt6-qpa-plugins; do
  check "depends on $dep" grep -q "\\b$dep\\b" <<<"$depends"
done
check "every linked library resolves" bash -c "! ldd '$root/usr/bin/koravel3' | grep -q 'not found'"
check "package name and version" test "$(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')" = "Package: koravel3 Version: 3.1.3 "

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
