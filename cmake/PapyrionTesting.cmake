# papyrion_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2)
# Builds one GoogleTest executable and registers each of its tests with CTest.
# Tests find the shared corpus through PAPYRION_SHARED_DIR and the source
# tree through PAPYRION_SOURCE_DIR.
function(papyrion_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock
                        GTest::gtest_main papyrion_warnings)
  target_compile_definitions(${T_NAME} PRIVATE
    PAPYRION_SHARED_DIR="${PAPYRION_SHARED_DIR}"
    PAPYRION_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PAPYRION_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${T_LABELS}")
endfunction()
