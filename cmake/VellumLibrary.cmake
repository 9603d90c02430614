# Small helpers so that every source folder, test folder and tool is declared
# the same way.

# vellum_library(NAME SOURCES... [DEPS targets...])
# A static library for one source folder; the source root is on its include
# path so headers are included as "base/IniDocument.h" and so on.
function(vellum_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# vellum_test(NAME SOURCES... [DEPS targets...])
# A GoogleTest executable registered with CTest. Tests run with the offscreen
# Qt platform and never reach beyond 127.0.0.1.
function(vellum_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VELLUM_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    VELLUM_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
