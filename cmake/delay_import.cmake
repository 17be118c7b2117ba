# Import libraries whose functions are bound when first called (see base/win/system_libraries.h)
# instead of by the system's loader at process start, which would look for the library beside the
# executable before any of our code runs.

set(QORV_DELAY_IMPORT_DIR ${CMAKE_BINARY_DIR}/delay-import)
file(MAKE_DIRECTORY ${QORV_DELAY_IMPORT_DIR})

# qorv_delay_library(NAME DEF DLL): the target qorv_delay_NAME, a delayed import library of DLL with
# the functions DEF lists. Its descriptor symbol is __DELAY_IMPORT_DESCRIPTOR_libNAME_delay_a.
function(qorv_delay_library name def dll)
  set(lib ${QORV_DELAY_IMPORT_DIR}/lib${name}_delay.a)
  if(NOT EXISTS ${lib} OR ${def} IS_NEWER_THAN ${lib})
    # Run in the folder: dlltool names the library's symbols after the output path.
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib lib${name}_delay.a
                            --dllname ${dll}
                    WORKING_DIRECTORY ${QORV_DELAY_IMPORT_DIR} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(qorv_delay_${name} INTERFACE)
  target_link_libraries(qorv_delay_${name} INTERFACE ${lib})
endfunction()

# qorv_delay_import(NAME...): qorv_delay_NAME for each system library NAME, made from the
# toolchain's own import library, so every function that library declares can be called. Link it
# in place of NAME, never beside it, or the plain import wins and the library is loaded at start
# again (tests/check_imports.py fails then).
function(qorv_delay_import)
  set(table "")
  foreach(name ${ARGN})
    unset(import_lib)
    find_library(import_lib NAMES lib${name}.a REQUIRED NO_CACHE)
    execute_process(COMMAND ${CMAKE_NM} ${import_lib} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    # Each function has an import-table slot __imp_NAME.
    string(REGEX MATCHALL "[ \t]I __imp_[A-Za-z0-9_@?$]+" slots "${symbols}")
    list(TRANSFORM slots REPLACE "^[ \t]I __imp_" "")
    list(REMOVE_DUPLICATES slots)
    list(SORT slots)
    if(NOT slots)
      message(FATAL_ERROR "no functions found in ${import_lib}")
    endif()
    list(JOIN slots "\n" exports)
    # Written only when changed, so a new configure does not relink every program.
    set(def ${QORV_DELAY_IMPORT_DIR}/${name}.def)
    file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n" @ONLY)
    qorv_delay_library(${name} ${def} ${name}.dll)
    string(APPEND table "QORV_DELAY_IMPORT(lib${name}_delay_a)\n")
  endforeach()
  # The libraries the start-up code binds (base/win/system_libraries.cpp).
  file(CONFIGURE OUTPUT ${QORV_GENERATED_DIR}/delay_imports.inc CONTENT "${table}" @ONLY)
endfunction()

if(WIN32)
  # What the programs use that is not a known DLL on Windows 10 and 11 (comctl32 comes from the
  # side-by-side store through the manifest, which wins over the executable's folder).
  qorv_delay_import(wininet bcrypt gdiplus msimg32 urlmon)
endif()
