# Fails when a test would run with the home, or any XDG folder, of whoever
# runs the suite.
foreach(variable HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_RUNTIME_DIR)
  string(FIND "$ENV{${variable}}" "${EXPECTED}" at)
  if(NOT at EQUAL 0 OR NOT IS_DIRECTORY "$ENV{${variable}}")
    message(FATAL_ERROR "${variable} is '$ENV{${variable}}', not a folder under ${EXPECTED}")
  endif()
endforeach()
