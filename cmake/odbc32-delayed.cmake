# The Windows program imports ODBC32.dll late (a delay-load import) so that
# it can load the DLL from the system folder alone before its first ODBC
# call (os/odbc_library_win32.cpp): ODBC32.dll is not one of Windows' known
# DLLs, and an ordinary import would be looked for beside the program first.
# The linker here has no switch for that, so dlltool makes a delay-load
# import library from the ODBC functions of mingw-w64's import library
# (the one find_package(ODBC) names); mingw-w64's runtime has the helper
# that resolves it on the first call.
#
# Sets ODBC32_DELAYED_LIBRARY.
find_library(ODBC32_IMPORT_LIBRARY NAMES ${ODBC_LIBRARY} odbc32 REQUIRED)
execute_process(COMMAND ${CMAKE_NM} --defined-only ${ODBC32_IMPORT_LIBRARY}
                OUTPUT_VARIABLE odbc32_symbols RESULT_VARIABLE odbc32_nm_status)
if(NOT odbc32_nm_status EQUAL 0)
  message(FATAL_ERROR "${CMAKE_NM} could not read ${ODBC32_IMPORT_LIBRARY}")
endif()
# x86 names carry the C decoration and the stdcall argument size
# (__imp__SQLConnectW@28); x64 names are bare (__imp_SQLConnectW).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(odbc32_import_prefix "__imp__")
  set(odbc32_dlltool_options --kill-at)  # the DLL's own names are bare
else()
  set(odbc32_import_prefix "__imp_")
  set(odbc32_dlltool_options)
endif()
string(REGEX MATCHALL "${odbc32_import_prefix}SQL[A-Za-z0-9_@]*" odbc32_imports "${odbc32_symbols}")
list(REMOVE_DUPLICATES odbc32_imports)
list(SORT odbc32_imports)
if(NOT odbc32_imports)
  message(FATAL_ERROR "${ODBC32_IMPORT_LIBRARY} names no ODBC function")
endif()
set(odbc32_def "LIBRARY ODBC32.dll\nEXPORTS\n")
foreach(import IN LISTS odbc32_imports)
  string(REPLACE "${odbc32_import_prefix}" "" name "${import}")
  string(APPEND odbc32_def "  ${name}\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/odbc32.def "${odbc32_def}")

set(ODBC32_DELAYED_LIBRARY ${CMAKE_BINARY_DIR}/libodbc32_delayed.a)
execute_process(COMMAND ${CMAKE_DLLTOOL} ${odbc32_dlltool_options} --input-def ${CMAKE_BINARY_DIR}/odbc32.def
                        --dllname ODBC32.dll --output-delaylib ${ODBC32_DELAYED_LIBRARY}
                RESULT_VARIABLE odbc32_dlltool_status)
if(NOT odbc32_dlltool_status EQUAL 0)
  message(FATAL_ERROR "${CMAKE_DLLTOOL} could not make ${ODBC32_DELAYED_LIBRARY}")
endif()
