# Authenticode signing of what players run (scripts/package sets these): the updater and the
# client right after they are linked (qorv_authenticode), the uninstaller and the installer by the
# installer's NSIS script through QORV_AUTHENTICODE_COMMAND.
set(QORV_SIGN_CERT "" CACHE FILEPATH "Authenticode certificate chain (PEM); with QORV_SIGN_KEY")
set(QORV_SIGN_KEY "" CACHE FILEPATH "Private key (PEM) of QORV_SIGN_CERT")
set(QORV_SIGN_PFX "" CACHE FILEPATH "Authenticode certificate and key as PKCS#12, instead of the two")
set(QORV_SIGN_PASS_ENV "" CACHE STRING
    "Name of the environment variable that holds the key's or PFX's password at build time")
set(QORV_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server (empty: none)")

# qorv_authenticode(TARGET): the program is signed as part of its link step, so whatever uses
# the file (the client embeds the updater) only ever sees it signed.
function(qorv_authenticode target)
  if(QORV_AUTHENTICODE_COMMAND)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${QORV_AUTHENTICODE_COMMAND} $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()

set(QORV_AUTHENTICODE_COMMAND "")
if(NOT WIN32)
  return()
endif()
if(QORV_SIGN_PFX STREQUAL "" AND QORV_SIGN_CERT STREQUAL "" AND QORV_SIGN_KEY STREQUAL "")
  return()
endif()
if(NOT QORV_SIGN_PFX STREQUAL "")
  if(NOT QORV_SIGN_CERT STREQUAL "" OR NOT QORV_SIGN_KEY STREQUAL "")
    message(FATAL_ERROR "QORV_SIGN_PFX or QORV_SIGN_CERT with QORV_SIGN_KEY, not both")
  endif()
  set(identity --pfx ${QORV_SIGN_PFX})
elseif(QORV_SIGN_CERT STREQUAL "" OR QORV_SIGN_KEY STREQUAL "")
  message(FATAL_ERROR "QORV_SIGN_CERT and QORV_SIGN_KEY go together")
else()
  set(identity --cert ${QORV_SIGN_CERT} --key ${QORV_SIGN_KEY})
endif()
foreach(file ${QORV_SIGN_CERT} ${QORV_SIGN_KEY} ${QORV_SIGN_PFX})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no such signing file: ${file}")
  endif()
endforeach()
find_program(QORV_OSSLSIGNCODE osslsigncode)
if(NOT QORV_OSSLSIGNCODE)
  message(FATAL_ERROR "osslsigncode not found (scripts/bootstrap installs it)")
endif()
if(NOT QORV_SIGN_PASS_ENV STREQUAL "")
  list(APPEND identity --pass-env ${QORV_SIGN_PASS_ENV})
endif()
if(NOT QORV_SIGN_TIMESTAMP_URL STREQUAL "")
  list(APPEND identity --timestamp-url ${QORV_SIGN_TIMESTAMP_URL})
endif()
set(QORV_AUTHENTICODE_COMMAND ${CMAKE_SOURCE_DIR}/installer/authenticode ${identity})
foreach(word ${QORV_AUTHENTICODE_COMMAND})
  # NSIS hands the command to a shell with each word in double quotes.
  if(word MATCHES "[\"'$`\\\\]")
    message(FATAL_ERROR "quotes, \$, ` and \\ cannot be in the signing settings: ${word}")
  endif()
endforeach()

