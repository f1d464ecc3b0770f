# libFuzzer targets (clang): the .cube text reader, the strict .cube.bin reader
# and the plug-in's own read_triplets. looks/fuzz.sh builds and runs them.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "ZELK_BUILD_FUZZERS needs clang (libFuzzer); no fuzz targets built")
  return()
endif()

set(ZELK_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
# Code under test is instrumented too, so the fuzzer sees its branches.
set(ZELK_FUZZ_LIB_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)

add_library(zelk_lutfile_fuzz STATIC ${ZELK_LUTFILE_SOURCES})
target_include_directories(zelk_lutfile_fuzz PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zelk_lutfile_fuzz PUBLIC zelk_lutmath)
target_compile_options(zelk_lutfile_fuzz PRIVATE ${ZELK_FUZZ_LIB_FLAGS})

function(zelk_add_fuzzer name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${ZELK_FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${ZELK_FUZZ_FLAGS})
endfunction()

zelk_add_fuzzer(fuzz_cube_text ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FuzzCubeText.cpp)
target_link_libraries(fuzz_cube_text PRIVATE zelk_lutfile_fuzz)

zelk_add_fuzzer(fuzz_cube_bin ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FuzzCubeBin.cpp)
target_link_libraries(fuzz_cube_bin PRIVATE zelk_lutfile_fuzz)

# The plug-in's reader: the look-library source of zelk_plugin_core, compiled
# here with the fuzzer's instrumentation (the plug-in's own objects are built
# without it), linked with what it needs for its log lines.
if(TARGET zelk_plugin_core)
  get_target_property(plugin_sources zelk_plugin_core SOURCES)
  list(FILTER plugin_sources INCLUDE REGEX "LookLibrary\\.cpp$")
  if(plugin_sources)
    zelk_add_fuzzer(fuzz_plugin_reader
      ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FuzzPluginReader.cpp ${plugin_sources})
    target_include_directories(fuzz_plugin_reader PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(fuzz_plugin_reader PRIVATE ofx_support zelk_lutmath)
  endif()
endif()

add_custom_target(zelk_fuzzers)
foreach(t fuzz_cube_text fuzz_cube_bin fuzz_plugin_reader)
  if(TARGET ${t})
    add_dependencies(zelk_fuzzers ${t})
  endif()
endforeach()
