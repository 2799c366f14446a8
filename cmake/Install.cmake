# Where an installed shelf keeps its pieces, and the install rules shared by the folders that build them.
#
#   <prefix>/lib/libtavrin.so.0.9, libtavrin-platform.so.0.9    the control and the platform layer
#   <prefix>/lib/tavrin/drivers/                                 the book drivers (the control looks here)
#   <prefix>/include/tavrin/                                     the public headers
#   <prefix>/include/tavrin/platform/                            the platform's headers (windows.h, afx*.h, plat/)
#   <prefix>/share/tavrin/sample-shelf/                          the sample shelf: Tavrin.Sys and books
#   <prefix>/lib/cmake/Tavrin/, <prefix>/lib/pkgconfig/          the CMake package and the pkg-config files

if(TAVRIN_SHARED)
  set(TAVRIN_LIBRARY_TYPE SHARED)
else()
  set(TAVRIN_LIBRARY_TYPE STATIC)
endif()

set(TAVRIN_INSTALL_DRIVERDIR ${CMAKE_INSTALL_LIBDIR}/tavrin/drivers)
set(TAVRIN_INSTALL_PLATFORM_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/tavrin/platform)
set(TAVRIN_INSTALL_SHELFDIR ${CMAKE_INSTALL_DATADIR}/tavrin/sample-shelf)
set(TAVRIN_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavrin)
# The driver folder as an absolute path, for a control linked statically into a program (a shared
# control finds the folder beside itself, wherever the prefix was moved to).
set(TAVRIN_INSTALL_FULL_DRIVERDIR ${CMAKE_INSTALL_FULL_LIBDIR}/tavrin/drivers)
# From the installed programs to the installed libraries, so that a prefix can be moved whole.
file(RELATIVE_PATH TAVRIN_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})

# The version of the control and the platform library: SONAME <name>.so.<major>.<minor> while the
# major version is 0 (every minor release may change the interface), <name>.so.<major> from 1.0 on.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(TAVRIN_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
else()
  set(TAVRIN_SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

# tavrin_install_driver(<target> [files...]): installs a driver module, and the files it reads beside
# itself (a configuration, say), into the driver folder.
function(tavrin_install_driver target)
  install(TARGETS ${target} LIBRARY DESTINATION ${TAVRIN_INSTALL_DRIVERDIR} COMPONENT drivers)
  if(ARGN)
    install(FILES ${ARGN} DESTINATION ${TAVRIN_INSTALL_DRIVERDIR} COMPONENT drivers)
  endif()
endfunction()

# tavrin_install_program(<target>): installs a program into bin/ with the path to the installed
# libraries, and its manual page docs/man/<target>.1 when there is one.
function(tavrin_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${TAVRIN_BIN_TO_LIB}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  set(page ${PROJECT_SOURCE_DIR}/docs/man/${target}.1)
  if(EXISTS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
  endif()
endfunction()

# The version every program prints for --version: tavrin/version.h, generated.
configure_file(${PROJECT_SOURCE_DIR}/include/tavrin/version.h.in ${PROJECT_BINARY_DIR}/generated/tavrin/version.h
               @ONLY)
add_library(tavrin_version INTERFACE)
target_include_directories(tavrin_version INTERFACE $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/generated>)
