# Checks the dynamic symbol table of the library: the QFJS_ entry points and
# MacOS_ platform functions under plain C names, the engine-wide globals, and
# nothing else (no helpers, no script-engine glue, no C++ names).
#   cmake -DNM=<nm> -DLIBRARY=<libqfjsbinding.so> -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
  OUTPUT_VARIABLE listing RESULT_VARIABLE rc ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}: ${errors}")
endif()

set(required QFJS_Initialize QFJS_Uninitialize QFJS_FilterCreateContext QFJS_FilterDestroyContext
  QFJS_FilterExecute QFJS_Terminate QFJS_MemFree MacOS_GetResourcePath)
set(allowed_globals g_info g_initMutex g_initialized gPlatform)

string(REPLACE "\n" ";" lines "${listing}")
set(names "")
set(unexpected "")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  # "<address> <type> <name>[@version]"
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" name "${line}")
  string(REGEX REPLACE "@.*$" "" name "${name}")
  list(APPEND names "${name}")
  if(name MATCHES "^(QFJS|MacOS)_[A-Za-z0-9]+$")
    continue()
  endif()
  list(FIND allowed_globals "${name}" index)
  if(index LESS 0)
    list(APPEND unexpected "${name}")
  endif()
endforeach()

set(missing "")
foreach(name IN LISTS required)
  list(FIND names "${name}" index)
  if(index LESS 0)
    list(APPEND missing "${name}")
  endif()
endforeach()

if(missing OR unexpected)
  message(FATAL_ERROR "exported symbols of ${LIBRARY}:\n  missing: ${missing}\n  unexpected: ${unexpected}")
endif()
list(LENGTH names count)
message(STATUS "${count} exported symbols, all expected")
