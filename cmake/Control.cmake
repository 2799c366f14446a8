# The shelf control: one static library made of the control's subsystem folders.
file(GLOB_RECURSE TAVRIN_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/shelf/*.cpp ${PROJECT_SOURCE_DIR}/catalog/*.cpp ${PROJECT_SOURCE_DIR}/registry/*.cpp
     ${PROJECT_SOURCE_DIR}/navigation/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.cpp)
add_library(tavrin STATIC ${TAVRIN_SOURCES})
target_include_directories(tavrin PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
# The full-text search looks at pages on a second thread while it reads the next ones.
find_package(Threads REQUIRED)
target_link_libraries(tavrin PUBLIC platform tavrin_resources Threads::Threads)
