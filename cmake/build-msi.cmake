# Builds an MSI so that the same inputs give the same bytes. Run by the
# build as a script (cmake -P), with WIXL, MSIBUILD, FAKETIME, ARCH (wixl's
# architecture), PLATFORM (its summary's: x64 or Intel),
# SUBJECT, WXS (its source, whose product code is %DORVANE_PRODUCT_CODE%),
# PERMISSIONS (the table of the install folder's permissions, added after
# wixl, which has no element for it) and OUTPUT.
#
# - Its time, in the summary and the cabinet, is SOURCE_DATE_EPOCH's, or
#   the build's where that is not set. wixl and msibuild read the clock, so
#   they run under faketime, frozen at that time.
# - Its product code and its package code (which Windows Installer needs
#   to differ for every different MSI) are derived from what it holds: its
#   source, each file that it carries, its permissions and its time, and
#   from the versions of the tools that turn them into bytes (wixl's, and
#   msitools', whose msiinfo tells msibuild's). wixl draws a package code
#   of its own; msibuild sets the derived one.
foreach(variable WIXL MSIBUILD MSIINFO FAKETIME ARCH PLATFORM SUBJECT WXS PERMISSIONS OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "build-msi.cmake: ${variable} is not set")
  endif()
endforeach()

# string(TIMESTAMP) reads SOURCE_DATE_EPOCH itself.
string(TIMESTAMP epoch "%s" UTC)
string(TIMESTAMP frozen_time "%Y-%m-%d %H:%M:%S" UTC)

get_filename_component(source_dir ${WXS} DIRECTORY)
file(READ ${WXS} source)
string(REGEX MATCHALL "Source=\"[^\"]+\"" carried "${source}")
execute_process(COMMAND ${WIXL} --version OUTPUT_VARIABLE wixl_version OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE wixl_status)
execute_process(COMMAND ${MSIINFO} --version OUTPUT_VARIABLE msitools_version OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE msitools_status)
if(NOT wixl_status EQUAL 0 OR NOT msitools_status EQUAL 0 OR wixl_version STREQUAL "" OR msitools_version STREQUAL "")
  message(FATAL_ERROR "build-msi.cmake: the versions of wixl and msitools could not be read")
endif()
set(contents "${ARCH} ${PLATFORM} ${SUBJECT} ${epoch} wixl ${wixl_version} ${msitools_version}")
list(TRANSFORM carried REPLACE "^Source=\"(.*)\"$" "\\1")
foreach(path IN ITEMS ${WXS} ${PERMISSIONS} ${carried})
  if(NOT IS_ABSOLUTE ${path})
    set(path ${source_dir}/${path})
  endif()
  file(SHA256 ${path} digest)
  string(APPEND contents " ${digest}")
endforeach()
string(SHA256 contents_digest "${contents}")
# Any fixed namespace: codes are told apart by the names derived in it.
set(namespace 6D6F4A55-2E8B-4C1E-9C3B-6E1D0B5A7F42)
string(UUID product_code NAMESPACE ${namespace} NAME "product ${contents_digest}" TYPE SHA1 UPPER)
string(UUID package_code NAMESPACE ${namespace} NAME "package ${contents_digest}" TYPE SHA1 UPPER)

string(REPLACE "%DORVANE_PRODUCT_CODE%" "{${product_code}}" source "${source}")
set(final_wxs ${OUTPUT}.wxs)
file(WRITE ${final_wxs} "${source}")

set(frozen env TZ=UTC ${FAKETIME} -f "${frozen_time}")
# The cabinet keeps each file's time: wixl takes copies that have that time.
set(staging ${OUTPUT}.files)
file(REMOVE_RECURSE ${staging})
file(MAKE_DIRECTORY ${staging})
foreach(path IN LISTS carried)
  file(COPY ${source_dir}/${path} DESTINATION ${staging})
  get_filename_component(name ${path} NAME)
  execute_process(COMMAND touch -d @${epoch} ${staging}/${name} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "build-msi.cmake: the time of ${name} could not be set")
  endif()
endforeach()
file(REMOVE ${OUTPUT})
macro(check_step what)
  if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT})
    message(FATAL_ERROR "build-msi.cmake: ${what} failed (${status})")
  endif()
endmacro()
execute_process(COMMAND ${frozen} ${WIXL} --arch ${ARCH} -o ${OUTPUT} ${final_wxs}
                WORKING_DIRECTORY ${staging} RESULT_VARIABLE status)
check_step(wixl)
execute_process(COMMAND ${frozen} ${MSIBUILD} ${OUTPUT} -i ${PERMISSIONS} RESULT_VARIABLE status)
check_step("msibuild -i")
execute_process(COMMAND ${frozen} ${MSIBUILD} ${OUTPUT} -s "${SUBJECT}" dorvane "${PLATFORM};1033" "{${package_code}}"
                RESULT_VARIABLE status)
check_step("msibuild -s")
