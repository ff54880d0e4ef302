# The update channel's settings. The program runs the installer that the
# manifest names, so the manifest must come over https and each release must
# carry a signature by the agency's key.
function(koravel_check_update_settings)
  string(LENGTH "${KORAVEL_UPDATE_PUBLIC_KEY}" length)
  if(length EQUAL 0)
    message(WARNING "KORAVEL_UPDATE_PUBLIC_KEY is empty: this build has no update channel. "
                    "It checks for updates and logs what it finds, but never offers one. "
                    "See \"Publishing an update\" in README.md.")
  # 32 bytes in base64: 43 digits, the last one with its two low bits clear
  # (the only spelling of those bytes), then one "=".
  elseif(NOT length EQUAL 44
         OR NOT KORAVEL_UPDATE_PUBLIC_KEY MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
    message(FATAL_ERROR "KORAVEL_UPDATE_PUBLIC_KEY is not the base64 of a 32-byte Ed25519 "
                        "public key (given: \"${KORAVEL_UPDATE_PUBLIC_KEY}\"). "
                        "Print it with: tools/sign-update --public-key agence-maj.pem")
  endif()
  if(NOT KORAVEL_UPDATE_URL MATCHES "^https://")
    message(FATAL_ERROR "KORAVEL_UPDATE_URL must start with https:// "
                        "(given: \"${KORAVEL_UPDATE_URL}\"): the update manifest decides which "
                        "program the counters run, so it may only come from an authenticated "
                        "server.")
  endif()
endfunction()
