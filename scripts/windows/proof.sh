# shellcheck shell=bash
# shellcheck disable=SC2154 # the settings are scripts/windows.sh's
# The proof step of scripts/windows.sh, which sources this: the installer,
# the window tests from the installed folder, the talon read back and the
# update to the next version, under Wine.

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
# given. A test that calls a Linux program, which Wine cannot start, skips
# itself there (QSKIP).
wine_test() {
  local name=$1 platform=$2 exe=$installed/tst_$1.exe
  local out=$proofdir/tst_$name.txt
  (cd "$build" && wine "$exe" -platform "$platform" -o "$(winepath -w "$out"),txt" >/dev/null 2>&1) ||
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
  local window=""
  for _ in $(seq 60); do
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
  wine_test login offscreen
  wine_test listings offscreen
  wine_test premium offscreen
  wine_test reports offscreen
  # A second server is started through the rig's script; tst_windows logs
  # in to the one this script started instead.
  wine_test config offscreen
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
