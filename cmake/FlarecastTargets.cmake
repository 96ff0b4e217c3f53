# Shared settings for every target of the project.

add_library(flarecast_warnings INTERFACE)
target_compile_options(flarecast_warnings INTERFACE -Wall -Wextra
  # Designated initialisers leave the rest of an aggregate at its defaults on purpose.
  -Wno-missing-field-initializers)

if(FLARECAST_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# flarecast_library(NAME SOURCES... [DEPENDS libs...] [PRIVATE_DEPENDS libs...])
# Declares one subsystem library, fc_NAME, whose headers are included as "NAME/header.h".
function(flarecast_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  add_library(fc_${name} STATIC ${ARG_SOURCES})
  target_include_directories(fc_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(fc_${name} PUBLIC ${ARG_DEPENDS} PRIVATE flarecast_warnings ${ARG_PRIVATE_DEPENDS})
  # In the fuzz build every library is instrumented, so that libFuzzer sees its branches.
  if(FLARECAST_BUILD_FUZZERS)
    target_compile_options(fc_${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# flarecast_test(NAME SOURCES... DEPENDS libs...)
# One GoogleTest executable per library; tests are discovered into ctest. Tests run in the
# program folder so that they see Languages/ and the other data files.
function(flarecast_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main flarecast_warnings)
  target_compile_definitions(${name} PRIVATE
    FLARECAST_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests"
    FLARECAST_PROGRAM_DIR="${FLARECAST_PROGRAM_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/tests DISCOVERY_TIMEOUT 60)
endfunction()

# flarecast_fuzzer(NAME SOURCE DEPENDS libs...)
# A libFuzzer target; its corpus lives in fuzz/corpus/NAME and is replayed by ctest.
function(flarecast_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  add_executable(fuzz_${name} ${source})
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPENDS})
  set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY FLARECAST_FUZZERS fuzz_${name})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(EXISTS ${corpus})
    add_test(NAME fuzz_replay_${name} COMMAND fuzz_${name} -runs=0 ${corpus})
  endif()
endfunction()
