# What `cmake --install` puts into the prefix for a reader's developers and for driver writers: the
# control and platform libraries with their headers, the CMake package Tavrin (Tavrin::tavrin,
# Tavrin::platform, Tavrin::driver_api), the pkg-config files tavrin.pc and tavrin-driver.pc, the
# documentation and the licence. Drivers, programs and the sample shelf install from their own folders.
include(CMakePackageConfigHelpers)

# A static control brings the static pieces it is made of, and the libraries they need, to the
# programs that link it.
set(exported tavrin platform tavrin_driver_api)
if(NOT TAVRIN_SHARED)
  list(APPEND exported tavrin_resources tavrin_codepage tavrin_draw_late)
endif()
install(TARGETS ${exported} EXPORT TavrinTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT TavrinTargets NAMESPACE Tavrin:: DESTINATION ${TAVRIN_INSTALL_CMAKEDIR} COMPONENT development)

# The public headers: include/tavrin/ as it is, the generated version header beside them, and the
# platform's headers one level down.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tavrin DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT development FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/generated/tavrin/version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrin
        COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/ DESTINATION ${TAVRIN_INSTALL_PLATFORM_INCLUDEDIR}
        COMPONENT development FILES_MATCHING PATTERN "*.h")

# The package: TavrinConfig.cmake finds what the targets need, TavrinConfigVersion.cmake accepts a
# request for the same minor version while the major is 0 (each 0.x may change the interface), the
# same major from 1.0 on.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(compatibility SameMinorVersion)
else()
  set(compatibility SameMajorVersion)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package/TavrinConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/TavrinConfig.cmake
                              INSTALL_DESTINATION ${TAVRIN_INSTALL_CMAKEDIR}
                              PATH_VARS TAVRIN_INSTALL_DRIVERDIR TAVRIN_INSTALL_SHELFDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/TavrinConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY ${compatibility})
install(FILES ${PROJECT_BINARY_DIR}/package/TavrinConfig.cmake ${PROJECT_BINARY_DIR}/package/TavrinConfigVersion.cmake
        DESTINATION ${TAVRIN_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: tavrin.pc for hosts, tavrin-driver.pc for driver writers (headers only: a driver links
# nothing of the shelf). A static control names what it is made of in Libs.private.
if(TAVRIN_SHARED)
  set(TAVRIN_PC_LIBS_PRIVATE "")
  set(TAVRIN_PC_REQUIRES_PRIVATE "")
else()
  # The program takes the platform's GetACP in and exports it to the drivers it loads.
  set(TAVRIN_PC_LIBS_PRIVATE
      "-ltavrin_resources -ltavrin_codepage -ltavrin_draw_late -Wl,--undefined=GetACP -Wl,--export-dynamic-symbol=GetACP")
  set(TAVRIN_PC_REQUIRES_PRIVATE "sqlite3")
endif()
# The prefix as seen from the installed .pc file, so that an installed tree can be moved whole.
file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
set(TAVRIN_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
foreach(pc tavrin tavrin-driver)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${pc}.pc.in ${PROJECT_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT development)
endforeach()

# The documents a developer reads, the example host, and the licence.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/docs/embedding.md
              ${PROJECT_SOURCE_DIR}/docs/drivers.md ${PROJECT_SOURCE_DIR}/docs/platform.md
              ${PROJECT_SOURCE_DIR}/docs/book-format.md ${PROJECT_SOURCE_DIR}/docs/user-catalogs.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        COMPONENT development)
