# The publisher's update key. A build with a key takes only manifests signed with the matching
# private key (scripts/sign-manifest); a build without one takes manifests as they are.
set(QORV_UPDATE_PUBKEY "" CACHE STRING
    "Publisher's P-256 public key for update manifests: 128 hex digits, X then Y (empty: none)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# qorv_check_update_key(HEX WHAT): stops the configuration unless HEX is empty or a P-256 point.
function(qorv_check_update_key hex what)
  if(hex STREQUAL "")
    return()
  endif()
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_p256_key.py ${hex}
                  RESULT_VARIABLE rc ERROR_VARIABLE reason ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} is not a valid P-256 public key: ${reason}.\n"
                        "Give the 128 hex digits that `scripts/sign-manifest keygen` prints "
                        "(public.hex), or leave it empty for a build without a key.")
  endif()
endfunction()
qorv_check_update_key("${QORV_UPDATE_PUBKEY}" "QORV_UPDATE_PUBKEY")

if(WIN32)
  # qorv_update_key(NAME HEX): the object each program links to carry HEX as its key.
  function(qorv_update_key name hex)
    add_library(${name} OBJECT ${CMAKE_SOURCE_DIR}/startup/update_key.cpp)
    target_compile_definitions(${name} PRIVATE QORV_UPDATE_PUBKEY_HEX="${hex}")
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${QORV_GENERATED_DIR})
  endfunction()
  qorv_update_key(qorv_update_key "${QORV_UPDATE_PUBKEY}")
  qorv_update_key(qorv_update_key_none "")

  # The build tree's own key pair, made on first use and never part of the sources: the keyed
  # test programs and the demo carry its public half, the tests and the demo sign with it.
  set(QORV_BUILD_KEY_DIR ${CMAKE_BINARY_DIR}/update-key)
  if(NOT EXISTS ${QORV_BUILD_KEY_DIR}/public.hex)
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/sign-manifest keygen ${QORV_BUILD_KEY_DIR}
                    RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not make the build's update key pair in ${QORV_BUILD_KEY_DIR}:\n"
                          "${err}\nscripts/bootstrap installs what scripts/sign-manifest needs.")
    endif()
  endif()
  file(STRINGS ${QORV_BUILD_KEY_DIR}/public.hex QORV_BUILD_KEY_HEX LIMIT_COUNT 1)
  qorv_check_update_key("${QORV_BUILD_KEY_HEX}" "${QORV_BUILD_KEY_DIR}/public.hex")
  qorv_update_key(qorv_update_key_build "${QORV_BUILD_KEY_HEX}")
endif()
