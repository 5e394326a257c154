# The Windows program's embedded manifest and version information, and what
# its zip and its MSI installer hold. One architecture per build: x64 or x86.
enable_language(RC)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DORVANE_ARCH x64)
  set(DORVANE_WIN64 yes)
  set(DORVANE_PROGRAM_FILES_FOLDER ProgramFiles64Folder)
  set(DORVANE_PROGRAM_FILES_NAME "Program Files")
  set(DORVANE_INSTALLED_EXE "%ProgramFiles%\\dorvane\\dorvane.exe")
  # Fixed for good: they tie every version of this architecture's installer.
  set(DORVANE_UPGRADE_CODE 8C8DAF73-41D6-45DB-8738-5253EEAA12C6)
  set(DORVANE_OTHER_ARCH x86)
  set(DORVANE_OTHER_UPGRADE_CODE CA0FB222-AA1C-4D5A-982F-993DAAA87F9D)
  set(DORVANE_PROGRAM_GUID E8CBC190-CD87-4EFC-B95A-C5C0E9B4900E)
  set(DORVANE_README_GUID EBCBEDF9-E2DE-4974-A86A-E24396F3A59B)
  set(DORVANE_TASK_GUID 40CCE359-050C-4F78-BF83-3FBE7C407444)
  set(DORVANE_EVENT_SOURCE_GUID 7BDFBB7B-63D9-41AE-9FC4-04BEE49CF3AB)
  set(DORVANE_EVENT_MESSAGES_GUID 3F6C2A51-8D47-4E0B-A9C2-5B71E4D08F36)
else()
  set(DORVANE_ARCH x86)
  set(DORVANE_WIN64 no)
  set(DORVANE_PROGRAM_FILES_FOLDER ProgramFilesFolder)
  set(DORVANE_PROGRAM_FILES_NAME "Program Files (x86)")
  # Where a 64-bit Windows keeps 32-bit programs, as its Task Scheduler sees it.
  set(DORVANE_INSTALLED_EXE "%ProgramFiles(x86)%\\dorvane\\dorvane.exe")
  set(DORVANE_UPGRADE_CODE CA0FB222-AA1C-4D5A-982F-993DAAA87F9D)
  set(DORVANE_OTHER_ARCH x64)
  set(DORVANE_OTHER_UPGRADE_CODE 8C8DAF73-41D6-45DB-8738-5253EEAA12C6)
  set(DORVANE_PROGRAM_GUID 80E5F89C-5344-46A7-B8F7-23D93A53A68E)
  set(DORVANE_README_GUID 8CF99405-BFDB-4AAE-AB00-79C0A32450BF)
  set(DORVANE_TASK_GUID A748E600-1E13-4994-859E-424B4FB0AD8F)
  set(DORVANE_EVENT_SOURCE_GUID BE2AEF99-85F0-4752-97A0-7FCA3BD2EBE3)
  set(DORVANE_EVENT_MESSAGES_GUID 9A0E57C3-6B21-4F8D-B3E4-0C92D7A6E15B)
endif()

math(EXPR DORVANE_NEXT_PATCH "${PROJECT_VERSION_PATCH} + 1")
set(DORVANE_NEXT_PATCH_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${DORVANE_NEXT_PATCH})
set(DORVANE_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(DORVANE_MANIFEST ${CMAKE_BINARY_DIR}/dorvane.manifest)
set(DORVANE_TASK_XML ${CMAKE_BINARY_DIR}/dorvane-task.xml)
set(DORVANE_PACKAGE_NAME dorvane-${PROJECT_VERSION}-${DORVANE_ARCH})
configure_file(packaging/windows/dorvane.manifest ${DORVANE_MANIFEST} @ONLY)
configure_file(packaging/windows/dorvane.rc.in ${CMAKE_BINARY_DIR}/dorvane.rc @ONLY)
configure_file(packaging/windows/dorvane-task.xml.in ${DORVANE_TASK_XML} @ONLY)
configure_file(packaging/windows/dorvane.wxs.in ${CMAKE_BINARY_DIR}/dorvane.wxs @ONLY)
configure_file(README.md ${CMAKE_BINARY_DIR}/README.md COPYONLY)

# The message table that the event log reads the program's events through:
# windmc makes the event IDs' header, which the code includes, and the
# table's resource, which dorvane.rc includes.
find_program(DORVANE_WINDMC NAMES ${MINGW_TRIPLET}-windmc windmc REQUIRED)
set(DORVANE_MESSAGES_DIR ${CMAKE_BINARY_DIR}/event_messages)
file(MAKE_DIRECTORY ${DORVANE_MESSAGES_DIR})
add_custom_command(OUTPUT ${DORVANE_MESSAGES_DIR}/event_messages.h ${DORVANE_MESSAGES_DIR}/event_messages.rc
                          ${DORVANE_MESSAGES_DIR}/MSG00409.bin
                   COMMAND ${DORVANE_WINDMC} -h ${DORVANE_MESSAGES_DIR} -r ${DORVANE_MESSAGES_DIR}
                           ${PROJECT_SOURCE_DIR}/src/os/event_messages.mc
                   DEPENDS ${PROJECT_SOURCE_DIR}/src/os/event_messages.mc
                   COMMENT "Compiling the event log's message table")
target_sources(dorvane_core PRIVATE ${DORVANE_MESSAGES_DIR}/event_messages.h)
target_include_directories(dorvane_core PUBLIC ${DORVANE_MESSAGES_DIR})

target_sources(dorvane PRIVATE ${CMAKE_BINARY_DIR}/dorvane.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/dorvane.rc PROPERTIES OBJECT_DEPENDS
  "${DORVANE_MANIFEST};${DORVANE_MESSAGES_DIR}/event_messages.rc;${DORVANE_MESSAGES_DIR}/MSG00409.bin")
# The same message table in a DLL of resources alone, which the MSI
# registers for the event source and lets every user read: the program
# holds the administrator's password and is not readable by all, and Event
# Viewer reads an event's text from the registered file as the person who
# views it. Event Viewer loads it as data: its entry point, the runtime's
# own, never runs.
configure_file(packaging/windows/dorvane-messages.rc.in ${CMAKE_BINARY_DIR}/dorvane-messages.rc @ONLY)
add_library(dorvane_messages SHARED ${CMAKE_BINARY_DIR}/dorvane-messages.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/dorvane-messages.rc PROPERTIES OBJECT_DEPENDS
  "${DORVANE_MESSAGES_DIR}/event_messages.rc;${DORVANE_MESSAGES_DIR}/MSG00409.bin")
target_include_directories(dorvane_messages PRIVATE ${DORVANE_MESSAGES_DIR})
set_target_properties(dorvane_messages PROPERTIES LINKER_LANGUAGE CXX PREFIX "" OUTPUT_NAME dorvane-messages)
add_dependencies(dorvane dorvane_messages)

# A GUI program: a run that the scheduler starts in a person's session
# opens no console window, which closing would kill the run with.
set_target_properties(dorvane PROPERTIES WIN32_EXECUTABLE ON)

# Its console companion, dorvane.com, for a command prompt: it starts
# dorvane.exe, relays its output and waits for its status.
add_executable(dorvane_com src/companion/console_companion_win32.cpp src/os/handle_output_win32.cpp)
target_include_directories(dorvane_com PRIVATE src)
target_compile_definitions(dorvane_com PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(dorvane_com PRIVATE -municode)
set_target_properties(dorvane_com PROPERTIES OUTPUT_NAME dorvane SUFFIX .com)
add_dependencies(dorvane dorvane_com)

# The zip: the program and its console companion, the README and the task
# definition, in one folder.
install(TARGETS dorvane dorvane_com RUNTIME DESTINATION .)
install(FILES README.md ${DORVANE_TASK_XML} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${DORVANE_PACKAGE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

# The MSI, built by msitools' wixl: `cmake --build . --target msi`, the same
# bytes from the same inputs (cmake/build-msi.cmake).
# The program holds the database administrator's password, so the install
# folder, and what is made in it, is for SYSTEM and the Administrators
# alone: a protected ACL in security descriptor language (which names the
# groups by their well-known SIDs, whatever the system's language), in the
# table MsiLockPermissionsEx.
find_program(WIXL wixl)
find_program(MSIBUILD msibuild)
find_program(FAKETIME faketime)
if(WIXL AND MSIBUILD AND FAKETIME)
  if(DORVANE_ARCH STREQUAL x64)
    set(DORVANE_MSI_PLATFORM x64)
  else()
    set(DORVANE_MSI_PLATFORM Intel)
  endif()
  set(DORVANE_MSI_PERMISSIONS ${CMAKE_SOURCE_DIR}/packaging/windows/MsiLockPermissionsEx.idt)
  set(DORVANE_MSI ${CMAKE_BINARY_DIR}/${DORVANE_PACKAGE_NAME}.msi)
  find_program(MSIINFO msiinfo)
  add_custom_command(OUTPUT ${DORVANE_MSI}
                     COMMAND ${CMAKE_COMMAND} -DWIXL=${WIXL} -DMSIBUILD=${MSIBUILD} -DMSIINFO=${MSIINFO}
                             -DFAKETIME=${FAKETIME}
                             -DARCH=${DORVANE_ARCH} -DPLATFORM=${DORVANE_MSI_PLATFORM}
                             "-DSUBJECT=${PROJECT_DESCRIPTION}" -DWXS=${CMAKE_BINARY_DIR}/dorvane.wxs
                             -DPERMISSIONS=${DORVANE_MSI_PERMISSIONS} -DOUTPUT=${DORVANE_MSI}
                             -P ${CMAKE_SOURCE_DIR}/cmake/build-msi.cmake
                     DEPENDS dorvane dorvane_com dorvane_messages ${CMAKE_BINARY_DIR}/dorvane.wxs ${DORVANE_TASK_XML} ${CMAKE_BINARY_DIR}/README.md
                             ${DORVANE_MSI_PERMISSIONS} ${CMAKE_SOURCE_DIR}/cmake/build-msi.cmake
                     COMMENT "Building ${DORVANE_PACKAGE_NAME}.msi"
                     VERBATIM)
  add_custom_target(msi DEPENDS ${DORVANE_MSI})
endif()
