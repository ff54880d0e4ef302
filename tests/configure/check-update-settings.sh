#!/usr/bin/env bash
# Configures the source tree with wrong update settings and checks that CMake
# refuses them at once, with the reason. The checks run before the compiler
# and Qt are looked for, so each case takes a moment.
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key=q/0suCqXqpimqlxBlf50NLBQmUxwaJGovrfwKbjrHCo=
new_key=O4VFgIecoZT7ZB1GLhHsV6oc/m2g/PR/0B85conpXdI=
url_error='KORAVEL_UPDATE_URL must start with https://'
key_error='KORAVEL_UPDATE_PUBLIC_KEY is not the base64 of a 32-byte'
no_key='KORAVEL_UPDATE_PUBLIC_KEY is empty: this build has no update channel'

passed=0
failed=0
# case NAME URL KEY +TEXT... -TEXT...: the configuration fails, every +TEXT is
# in its output and no -TEXT is.
case_() {
  local name=$1 url=$2 key=$3
  shift 3
  local out=$work/out status=0 ok=1 text
  rm -rf "$work/build"
  cmake -S "$src" -B "$work/build" -DKORAVEL_UPDATE_URL="$url" -DKORAVEL_UPDATE_PUBLIC_KEY="$key" \
    >"$out" 2>&1 || status=$?
  # CMake wraps long messages: compare on one line.
  text=$(tr -s ' \n' ' ' <"$out")
  [ "$status" -ne 0 ] || ok=0
  for want in "$@"; do
    case $want in
      +*) [[ $text == *"${want#+}"* ]] || ok=0 ;;
      -*) [[ $text != *"${want#-}"* ]] || ok=0 ;;
    esac
  done
  if [ "$ok" -eq 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name (exit $status)"
    cat "$out"
  fi
}

http=http://127.0.0.2:8443/version.json
https=https://127.0.0.2:8443/version.json
case_ "http address, no key" "$http" "" "+$url_error" "+$no_key"
case_ "http address with a key" "$http" "$key" "+$url_error" "-$no_key"
case_ "address without scheme" 127.0.0.2/version.json "$key" "+$url_error"
case_ "key not base64 of 32 bytes" "$https" abc "+$key_error" "-$url_error"
case_ "key of 33 bytes" "$https" "${key%=}AA==" "+$key_error"
case_ "key with stray bits" "$https" "${key/Co=/Cp=}" "+$key_error"
case_ "list with a bad member" "$https" "$key,${new_key%=}" "+$key_error" "-$url_error"
# A good list passes the key check: only the address is refused.
case_ "list of two keys" "$http" "$key,$new_key" "+$url_error" "-$key_error"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
