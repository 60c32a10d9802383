# Helpers that keep every module's build description to one line.

# vrn_library(NAME [SOURCE_DIRS dir...] [DEPS lib...]): a static library of
# every .cpp in the calling folder and in the named subfolders of it (the
# platform layer keeps the sources that call the host in one of these). A
# folder without sources is a mistake, not a module.
function(vrn_library name)
  cmake_parse_arguments(A "" "" "SOURCE_DIRS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dir ${A_SOURCE_DIRS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND srcs ${more})
  endforeach()
  if(NOT srcs)
    message(FATAL_ERROR "vrn_library(${name}): no .cpp files in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# vrn_tool(NAME [SOURCES files...] [DEPS lib...]): a command-line program.
# The C++ runtime is linked in: a program that loads and relocates no C++
# library of the host starts sooner, and each installation, test or
# extraction is one start. (The sanitizers bring their own runtimes and
# keep the host's.)
function(vrn_tool name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT (VRN_SANITIZE OR VRN_SANITIZE_THREAD OR VRN_FUZZ))
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# vrn_test(NAME [DEPS lib...]): one GoogleTest program of every .cpp in the
# calling folder, its cases registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)
function(vrn_test name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    message(FATAL_ERROR "vrn_test(${name}): no .cpp files in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${A_DEPS} vrn_testsupport GTest::gtest GTest::gtest_main)
  # The test programs' own sources build unoptimized, in half the time; the
  # code they test keeps the build's optimization.
  target_compile_options(${name} PRIVATE -O0)
  # And as one translation unit per program: the test framework's headers
  # are read once instead of once per file.
  # g++ takes a fixture in a file's anonymous namespace for one in a header
  # there, and warns of it.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "VRN_DRIVES=")
endfunction()

# vrn_fuzz_drivers(TARGETS name... DEPS lib...): a libFuzzer program
# fuzz_<name> of each named fuzz entry, all from driver.cpp, and the target
# fuzz_drivers that builds them all.
function(vrn_fuzz_drivers)
  cmake_parse_arguments(A "" "" "TARGETS;DEPS" ${ARGN})
  add_custom_target(fuzz_drivers)
  foreach(t ${A_TARGETS})
    add_executable(fuzz_${t} ${CMAKE_CURRENT_SOURCE_DIR}/driver.cpp)
    target_compile_definitions(fuzz_${t} PRIVATE VRN_FUZZ_TARGET="${t}")
    target_link_libraries(fuzz_${t} PRIVATE ${A_DEPS})
    target_link_options(fuzz_${t} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_drivers fuzz_${t})
  endforeach()
endfunction()
