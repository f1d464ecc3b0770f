# libFuzzer targets (clang): the .cube text reader and the .cube.bin reader in
# its strict (tools) and lenient (plug-in) modes. looks/fuzz.sh builds and runs them.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "ZELK_BUILD_FUZZERS needs clang (libFuzzer); no fuzz targets built")
  return()
endif()

set(ZELK_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
# Code under test is instrumented too, so the fuzzer sees its branches.
set(ZELK_FUZZ_LIB_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)

# The look tools' sources and the lut/ floor under them, instrumented.
add_library(zelk_lutfile_fuzz STATIC ${ZELK_LUTFILE_SOURCES} ${ZELK_LUT_SOURCES})
target_include_directories(zelk_lutfile_fuzz PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                                                    ${CMAKE_SOURCE_DIR}/lut)
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

# The plug-in's reader: the lenient mode of the same reader.
zelk_add_fuzzer(fuzz_plugin_reader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FuzzPluginReader.cpp)
target_link_libraries(fuzz_plugin_reader PRIVATE zelk_lutfile_fuzz)

add_custom_target(zelk_fuzzers)
add_dependencies(zelk_fuzzers fuzz_cube_text fuzz_cube_bin fuzz_plugin_reader)
