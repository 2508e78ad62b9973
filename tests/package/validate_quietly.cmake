# Runs a validator on one file and fails on any remark it makes, not only on errors.
# Arguments: TOOL (empty when not installed), ARGS (before the file), FILE, SKIP.
if(NOT TOOL)
  message(STATUS "validator not installed: skipped")
  cmake_language(EXIT ${SKIP})
endif()
execute_process(COMMAND ${TOOL} ${ARGS} ${FILE} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
string(STRIP "${out}" out)
# appstreamcli ends with a verdict line even when it has nothing to say.
string(REGEX REPLACE "^✔ Validation was successful\\.$" "" remarks "${out}")
if(NOT rc EQUAL 0 OR NOT remarks STREQUAL "")
  message(FATAL_ERROR "${TOOL} on ${FILE} (exit ${rc}):\n${out}")
endif()
