# zelk_lookrow: the CPU path's row functions and their run-time choice.
# The vector row functions are compiled with their own instruction-set flags,
# file by file, so that nothing else in the library needs those instructions.
include(CheckCXXCompilerFlag)

add_library(zelk_lookrow STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowScalar.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowDispatch.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowSelfCheck.cpp)
target_link_libraries(zelk_lookrow PUBLIC zelk_lut)
target_include_directories(zelk_lookrow PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

set(ZELK_LOOKROW_PATHS "scalar")
# zelk_lookrow_add_path(NAME FILE FLAGS...): one vector row function, built only
# when the compiler takes its instruction-set flags.
function(zelk_lookrow_add_path name file)
  string(TOUPPER ${name} upper)
  string(REPLACE ";" " " flags "${ARGN}")
  check_cxx_compiler_flag("${flags}" ZELK_CXX_HAS_${upper})
  if(NOT ZELK_CXX_HAS_${upper})
    return()
  endif()
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  target_sources(zelk_lookrow PRIVATE ${src})
  # -ffp-contract=off again beside the flags that bring FMA: only the fused
  # operations written out may be fused.
  set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "${ARGN};-ffp-contract=off")
  target_compile_definitions(zelk_lookrow PRIVATE ZELK_LOOKROW_${upper}=1)
  set(ZELK_LOOKROW_PATHS ${ZELK_LOOKROW_PATHS} ${name} PARENT_SCOPE)
endfunction()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  zelk_lookrow_add_path(avx2 LookRowAvx2.cpp -mavx2 -mfma)
  zelk_lookrow_add_path(avx512 LookRowAvx512.cpp -mavx512f -mavx2 -mfma)
endif()
# The paths this build has; tests register one variant per path.
set(ZELK_LOOKROW_PATHS ${ZELK_LOOKROW_PATHS} CACHE INTERNAL "CPU row paths built")
