# The shelf control: one library (shared in the release build, static with TAVRIN_SHARED off) made of the
# control's subsystem folders. Hosts see its public headers (include/tavrin/) and the platform's; the
# source tree's folders ("shelf/records.h", ...) are for the control's own tests only.
file(GLOB_RECURSE TAVRIN_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/shelf/*.cpp ${PROJECT_SOURCE_DIR}/catalog/*.cpp ${PROJECT_SOURCE_DIR}/registry/*.cpp
     ${PROJECT_SOURCE_DIR}/navigation/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.cpp)
add_library(tavrin ${TAVRIN_LIBRARY_TYPE} ${TAVRIN_SOURCES})
target_include_directories(tavrin PRIVATE ${PROJECT_SOURCE_DIR}
                                  PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                         $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/generated>
                                         $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(tavrin PROPERTIES EXPORT_NAME tavrin VERSION ${PROJECT_VERSION} SOVERSION ${TAVRIN_SOVERSION})
# An installed control finds the installed drivers: beside itself when shared, at the configured
# prefix when linked into a program.
target_compile_definitions(tavrin PRIVATE TAVRIN_DRIVER_FOLDER_FROM_LIBRARY="tavrin/drivers"
                                          TAVRIN_INSTALLED_DRIVER_FOLDER="${TAVRIN_INSTALL_FULL_DRIVERDIR}")
# The full-text search looks at pages on a second thread while it reads the next ones.
find_package(Threads REQUIRED)
target_link_libraries(tavrin PUBLIC platform Threads::Threads PRIVATE tavrin_resources tavrin_codepage)

# The control's tests and benchmarks look inside it: its folders ("shelf/records.h", ...) besides the
# public headers. Hosts link tavrin alone and see only what is installed.
add_library(tavrin_internal INTERFACE)
target_include_directories(tavrin_internal INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrin_internal INTERFACE tavrin)
