# papyrion_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2
#                   [INTEGRATION filter] [PRINTING filter])
# Builds one GoogleTest executable and registers each of its tests with CTest.
# Tests find the shared corpus through PAPYRION_SHARED_DIR and the source
# tree through PAPYRION_SOURCE_DIR.
#
# Every test carries one label: `integration` for the tests matched by the
# INTEGRATION or PRINTING filters (GoogleTest filters, "Suite.*:Other.Test"),
# which start programs (LibreOffice, qpdf, pdftoppm, the program under test),
# talk to CUPS or read the shared corpus; `unit` for the rest, so that
# `ctest -L unit` runs the fast, self-contained ones alone. A unit test that
# starts a program through the test support fails and says so.
# PRINTING tests send jobs to the one shared cups-pdf queue and count what
# lands there, so CTest runs them one at a time.
function(papyrion_add_test)
  cmake_parse_arguments(T "" "NAME;INTEGRATION;PRINTING" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} papyrion_testsupport GTest::gtest
                        GTest::gmock GTest::gtest_main papyrion_warnings)
  target_compile_definitions(${T_NAME} PRIVATE
    PAPYRION_SHARED_DIR="${PAPYRION_SHARED_DIR}"
    PAPYRION_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PAPYRION_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")

  set(outside "")
  if(T_PRINTING)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 TEST_FILTER "${T_PRINTING}"
                         PROPERTIES LABELS integration RESOURCE_LOCK papyrion_test_print_queue)
    set(outside "${T_PRINTING}")
  endif()
  if(T_INTEGRATION)
    set(filter "${T_INTEGRATION}")
    if(T_PRINTING)
      set(filter "${T_INTEGRATION}-${T_PRINTING}")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 TEST_FILTER "${filter}"
                         PROPERTIES LABELS integration)
    if(outside)
      set(outside "${outside}:${T_INTEGRATION}")
    else()
      set(outside "${T_INTEGRATION}")
    endif()
  endif()
  if(outside)
    set(unit_filter TEST_FILTER "-${outside}")
  else()
    set(unit_filter "")
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 ${unit_filter}
                       PROPERTIES LABELS unit ENVIRONMENT PAPYRION_TEST_KIND=unit)
endfunction()
