# Remakes the asset files into WORK_DIR and fails unless they are exactly the files
# committed in DATA_DIR: same names, same bytes, nothing missing and nothing extra.
foreach(var GENERATOR DATA_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_remake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${GENERATOR}" "${WORK_DIR}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_assets failed (${rc})")
endif()

file(GLOB made RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
file(GLOB committed RELATIVE "${DATA_DIR}" "${DATA_DIR}/*")
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "Data/ holds [${committed}] but make_assets writes [${made}]")
endif()

set(drift "")
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    "${WORK_DIR}/${name}" "${DATA_DIR}/${name}" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND drift "${name}")
  endif()
endforeach()
if(drift)
  message(FATAL_ERROR "Data/ differs from a fresh make_assets run in: ${drift}. "
                      "Rerun make_assets Data (from the repository root) and commit.")
endif()
message(STATUS "Data/ matches make_assets: ${made}")
