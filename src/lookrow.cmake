# zelk_lookrow: the CPU path's row functions and their run-time choice.
# The vector row functions are compiled with their own instruction-set flags,
# file by file, so that nothing else in the library needs those instructions.
include(CheckCXXCompilerFlag)

add_library(zelk_lookrow STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowScalar.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowDispatch.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowSelfCheck.cpp)
target_link_libraries(zelk_lookrow PUBLIC zelk_lutmath)
target_include_directories(zelk_lookrow PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

set(ZELK_LOOKROW_PATHS "scalar")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  check_cxx_compiler_flag("-mavx2 -mfma" ZELK_CXX_HAS_AVX2)
  check_cxx_compiler_flag("-mavx512f -mavx2 -mfma" ZELK_CXX_HAS_AVX512)
  if(ZELK_CXX_HAS_AVX2)
    set(src ${CMAKE_CURRENT_SOURCE_DIR}/LookRowAvx2.cpp)
    target_sources(zelk_lookrow PRIVATE ${src})
    # -ffp-contract=off again beside the flags that bring FMA: only the fused
    # operations written out may be fused.
    set_source_files_properties(${src} PROPERTIES
      COMPILE_OPTIONS "-mavx2;-mfma;-ffp-contract=off")
    target_compile_definitions(zelk_lookrow PRIVATE ZELK_LOOKROW_AVX2=1)
    list(APPEND ZELK_LOOKROW_PATHS "avx2")
  endif()
  if(ZELK_CXX_HAS_AVX512)
    set(src ${CMAKE_CURRENT_SOURCE_DIR}/LookRowAvx512.cpp)
    target_sources(zelk_lookrow PRIVATE ${src})
    set_source_files_properties(${src} PROPERTIES
      COMPILE_OPTIONS "-mavx512f;-mavx2;-mfma;-ffp-contract=off")
    target_compile_definitions(zelk_lookrow PRIVATE ZELK_LOOKROW_AVX512=1)
    list(APPEND ZELK_LOOKROW_PATHS "avx512")
  endif()
endif()
# The paths this build has; tests register one variant per path.
set(ZELK_LOOKROW_PATHS ${ZELK_LOOKROW_PATHS} CACHE INTERNAL "CPU row paths built")
