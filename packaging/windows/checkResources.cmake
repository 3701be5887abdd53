# SPDX-License-Identifier: Zlib
# Fails unless a Windows file carries the project's version in its version resource and,
# with WANT_ICON, an icon. Run: cmake -DWRESTOOL=.. -DFILE=.. -DVERSION=.. [-DWANT_ICON=ON] -P ..
execute_process(COMMAND ${WRESTOOL} -l ${FILE} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "wrestool cannot read ${FILE}")
endif()
if(WANT_ICON AND NOT listing MATCHES "type=group_icon")
  message(FATAL_ERROR "${FILE} has no icon:\n${listing}")
endif()
# The resource's strings are UTF-16; `strings -el` reads them one to a line.
execute_process(COMMAND ${WRESTOOL} -x --raw --type=16 ${FILE} COMMAND strings -el OUTPUT_VARIABLE text)
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT text MATCHES "FileVersion\n${version_pattern}\n" OR NOT text MATCHES "ProductVersion\n${version_pattern}\n")
  message(FATAL_ERROR "${FILE}: no version ${VERSION} in its version resource:\n${text}")
endif()
