# tavrin_library_soname(<var> <prefix>): the file name (soname) of the shared library that the
# pkg-config module found as <prefix> links, for a target that loads the library when it first needs
# it instead of linking it.
function(tavrin_library_soname var prefix)
  find_library(${prefix}_FILE NAMES ${${prefix}_LIBRARIES} HINTS ${${prefix}_LIBRARY_DIRS} REQUIRED NO_CACHE)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${${prefix}_FILE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
  if(NOT headers MATCHES "SONAME +([^ \n]+)")
    message(FATAL_ERROR "no soname in ${${prefix}_FILE}")
  endif()
  set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
