# The publisher's update keys. Every program takes only manifests signed with the private half of
# one of them (scripts/sign-manifest); there is no build without a key.
set(QORV_UPDATE_PUBKEY "" CACHE STRING
    "Publisher's P-256 public key for update manifests: 128 hex digits, X then Y (empty: the build tree's own key, development builds only)")
set(QORV_UPDATE_PUBKEY_NEXT "" CACHE STRING
    "The publisher's next key, taken beside the current one while a signed update moves to it (optional)")
option(QORV_ALLOW_TEST_KEY "A release build may carry the build tree's own key (test packages)" OFF)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# qorv_check_update_key(HEX WHAT): stops the configuration unless HEX is a P-256 point.
function(qorv_check_update_key hex what)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_p256_key.py ${hex}
                  RESULT_VARIABLE rc ERROR_VARIABLE reason ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} is not a valid P-256 public key: ${reason}.\n"
                        "Give the 128 hex digits that `scripts/sign-manifest keygen` writes "
                        "(public.hex).")
  endif()
endfunction()

if(WIN32)
  # The build tree's own key pair, made on first use and never part of the sources: development
  # and test builds carry its public half, the tests and the demo sign with it.
  set(QORV_BUILD_KEY_DIR ${CMAKE_BINARY_DIR}/update-key)
  if(NOT EXISTS ${QORV_BUILD_KEY_DIR}/public.hex)
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/sign-manifest keygen ${QORV_BUILD_KEY_DIR}
                            --no-passphrase
                    RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not make the build's update key pair in ${QORV_BUILD_KEY_DIR}:\n"
                          "${err}\nscripts/bootstrap installs what scripts/sign-manifest needs.")
    endif()
  endif()
  file(STRINGS ${QORV_BUILD_KEY_DIR}/public.hex QORV_BUILD_KEY_HEX LIMIT_COUNT 1)
  qorv_check_update_key("${QORV_BUILD_KEY_HEX}" "${QORV_BUILD_KEY_DIR}/public.hex")

  # A release build (fixed endpoints) must be told the publisher's key; a build tree's key,
  # whose private half lies unguarded beside it, only for a package marked as a test.
  set(release_build OFF)
  if(NOT QORV_ENDPOINT_OVERRIDE AND NOT QORV_ALLOW_TEST_KEY)
    set(release_build ON)
  endif()
  set(keys "${QORV_UPDATE_PUBKEY}")
  if(keys STREQUAL "")
    if(release_build)
      message(FATAL_ERROR "A release build needs the publisher's update key: "
                          "scripts/package --pubkey FILE (the public.hex that "
                          "`scripts/sign-manifest keygen` wrote), or -DQORV_UPDATE_PUBKEY=<128 hex "
                          "digits>. A test package: scripts/package --test-key.")
    endif()
    set(keys "${QORV_BUILD_KEY_HEX}")
  endif()
  if(NOT QORV_UPDATE_PUBKEY_NEXT STREQUAL "")
    list(APPEND keys "${QORV_UPDATE_PUBKEY_NEXT}")
  endif()
  file(GLOB tree_keys ${CMAKE_SOURCE_DIR}/build/*/update-key/public.hex)
  set(tree_key_hexes "")
  foreach(file ${QORV_BUILD_KEY_DIR}/public.hex ${tree_keys})
    file(STRINGS ${file} hex LIMIT_COUNT 1)
    string(TOLOWER "${hex}" hex)
    list(APPEND tree_key_hexes "${hex}")
  endforeach()
  set(QORV_UPDATE_KEYS_HEX "")
  foreach(key ${keys})
    qorv_check_update_key("${key}" "the update key ${key}")
    string(TOLOWER "${key}" lower)
    if(release_build AND lower IN_LIST tree_key_hexes)
      message(FATAL_ERROR "The update key ${key} is a build tree's own key, not the publisher's: "
                          "a release build refuses it. A test package: scripts/package --test-key.")
    endif()
    list(APPEND QORV_UPDATE_KEYS_HEX "${lower}")
  endforeach()
  list(REMOVE_DUPLICATES QORV_UPDATE_KEYS_HEX)
  list(JOIN QORV_UPDATE_KEYS_HEX "," QORV_UPDATE_KEYS_JOINED)

  # The one key object every program links: its keys, comma-separated.
  add_library(qorv_update_key OBJECT ${CMAKE_SOURCE_DIR}/startup/update_key.cpp)
  target_compile_definitions(qorv_update_key PRIVATE
                             QORV_UPDATE_KEYS_HEX="${QORV_UPDATE_KEYS_JOINED}")
  target_include_directories(qorv_update_key PRIVATE ${CMAKE_SOURCE_DIR} ${QORV_GENERATED_DIR})
endif()
