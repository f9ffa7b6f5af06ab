# Warnings are on for every target of the project and kept at zero.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                    -Wcast-align -Woverloaded-virtual -Wnull-dereference
                    -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wduplicated-cond -Wlogical-op)
endif()
option(OSTRAND_WERROR "Treat warnings as errors" ON)
if(OSTRAND_WERROR)
  add_compile_options(-Werror)
endif()

# Adds a GoogleTest executable and registers its tests with CTest.
# ostrand_add_gtest(name SOURCES ... LIBS ... [LABELS ...])
function(ostrand_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS "${ARG_LABELS}")
endfunction()

# Adds a widget test executable (offscreen Qt, GoogleTest driven by the Qt
# event loop) whose screenshots go to build/screenshots.
# ostrand_add_qt_test(name SOURCES ... LIBS ...)
function(ostrand_add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${PROJECT_SOURCE_DIR}/tests/ui/qt_test_main.cpp ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE OSTRAND_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 LABELS ui ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
