# The update channel's settings. The program runs the installer that the
# manifest names, so the manifest must come over https and each release must
# carry a signature by one of the agency's keys.
function(koravel_check_update_settings)
  string(LENGTH "${KORAVEL_UPDATE_PUBLIC_KEY}" length)
  if(length EQUAL 0)
    message(WARNING "KORAVEL_UPDATE_PUBLIC_KEY is empty: this build has no update channel. "
                    "It checks for updates and logs what it finds, but never offers one. "
                    "See \"Publishing an update\" in README.md.")
  else()
    # Several keys, separated by commas, while a new key replaces the old one.
    # Each is 32 bytes in base64: 43 digits, the last one with its two low
    # bits clear (the only spelling of those bytes), then one "=".
    set(form "[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=")
    set(malformed FALSE)
    if(NOT KORAVEL_UPDATE_PUBLIC_KEY MATCHES "^(${form},)*${form}$")
      set(malformed TRUE)
    endif()
    string(REPLACE "," ";" keys "${KORAVEL_UPDATE_PUBLIC_KEY}")
    foreach(key IN LISTS keys)
      string(LENGTH "${key}" length)
      if(NOT length EQUAL 44)
        set(malformed TRUE)
      endif()
    endforeach()
    if(malformed)
      message(FATAL_ERROR "KORAVEL_UPDATE_PUBLIC_KEY is not the base64 of a 32-byte Ed25519 "
                          "public key, nor a list of such keys separated by commas "
                          "(given: \"${KORAVEL_UPDATE_PUBLIC_KEY}\"). "
                          "Print a key with: tools/sign-update --public-key agence-maj.pem")
    endif()
  endif()
  if(NOT KORAVEL_UPDATE_URL MATCHES "^https://")
    message(FATAL_ERROR "KORAVEL_UPDATE_URL must start with https:// "
                        "(given: \"${KORAVEL_UPDATE_URL}\"): the update manifest decides which "
                        "program the counters run, so it may only come from an authenticated "
                        "server.")
  endif()
endfunction()
