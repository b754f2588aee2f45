# papyrion_add_layer(NAME lib DEPS dep1 dep2 ... [PRIVATE_DEPS ...])
# One layer folder = one static library:
#   include/<layer>/*.h  public headers (#include "<layer>/x.h")
#   src/**/*.cpp         implementation, headers private to the layer
#   tests/*_test.cpp     one GoogleTest executable <lib>_tests, with
#   tests/support/*.cpp  the layer's own fixtures; INTEGRATION and PRINTING
#                        name its integration tests (see PapyrionTesting.cmake)
# Sources are globbed so that new files in a layer need no CMake change.
function(papyrion_add_layer)
  cmake_parse_arguments(L "" "NAME;INTEGRATION;PRINTING" "DEPS;PRIVATE_DEPS;TEST_LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(NOT sources)
    # A layer that has only headers so far.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${L_NAME}_empty.cpp)
    file(WRITE ${sources} "// This layer has no sources yet.\n")
  endif()
  add_library(${L_NAME} STATIC ${sources})
  target_include_directories(${L_NAME}
    PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${L_NAME} PUBLIC ${L_DEPS} PRIVATE ${L_PRIVATE_DEPS} papyrion_warnings)
  # Tests reach the layer's internals through this target, not through a
  # wider public API.
  add_library(${L_NAME}_private INTERFACE)
  target_include_directories(${L_NAME}_private INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${L_NAME}_private INTERFACE ${L_NAME} ${L_PRIVATE_DEPS})
  if(PAPYRION_BUILD_TESTS)
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
    file(GLOB test_support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/*.cpp)
    if(tests)
      papyrion_add_test(NAME ${L_NAME}_tests SOURCES ${tests} ${test_support}
                        LIBS ${L_NAME}_private ${L_TEST_LIBS}
                        INTEGRATION "${L_INTEGRATION}" PRINTING "${L_PRINTING}")
      target_include_directories(${L_NAME}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
      add_dependencies(${L_NAME}_tests papyrion_data)
    endif()
  endif()
endfunction()
