# zelk_gpu_cuda: the CUDA helpers, the launch sequence and one source unit per
# kernel. Built only when a CUDA compiler was found (ZELK_HAVE_CUDA); the plug-in
# then reports CUDA support. The runtime is linked statically so that the plug-in
# still loads on machines with no CUDA runtime and no driver.

# The project-wide warning and no-contraction flags are host-compiler flags that
# nvcc itself rejects: keep them for C++ and hand them to nvcc's host compiler
# through -Xcompiler for .cu files.
function(zelk_cuda_host_flags target)
  get_target_property(opts ${target} COMPILE_OPTIONS)
  if(NOT opts)
    return()
  endif()
  set(wrapped)
  foreach(opt IN LISTS opts)
    if(opt MATCHES "^-W|^-f")
      list(APPEND wrapped "$<$<COMPILE_LANGUAGE:CUDA>:-Xcompiler=${opt}>"
                          "$<$<NOT:$<COMPILE_LANGUAGE:CUDA>>:${opt}>")
    else()
      list(APPEND wrapped "${opt}")
    endif()
  endforeach()
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "${wrapped}")
endfunction()

if(NOT ZELK_HAVE_CUDA)
  return()
endif()
if(ZELK_PLUGIN_ONLY)
  # zig's glibc libraries are link-time stubs that find_library cannot see.
  set(CUDAToolkit_rt_LIBRARY rt CACHE STRING "The real-time library cudart_static needs")
endif()
find_package(CUDAToolkit REQUIRED)

set(zelk_cuda_host_sources
  ${CMAKE_CURRENT_LIST_DIR}/CudaHelpers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CudaLaunch.cpp)
if(ZELK_PLUGIN_ONLY)
  # The portable build: the kernels come as nvcc's objects from the main build.
  # Their host code was compiled by g++ and must need nothing of libstdc++ (the
  # link refuses undefined symbols), only the C++ ABI that libc++abi provides.
  set_source_files_properties(${ZELK_CUDA_KERNEL_OBJECTS} PROPERTIES
    EXTERNAL_OBJECT ON GENERATED ON)
  add_library(zelk_gpu_cuda STATIC ${zelk_cuda_host_sources} ${ZELK_CUDA_KERNEL_OBJECTS})
else()
  # One source unit per kernel, compiled once: both plug-in builds link them.
  add_library(zelk_cuda_kernels OBJECT
    ${CMAKE_CURRENT_LIST_DIR}/Process3DLUT.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertFromPlanar.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertFromPlanarAlpha.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertToPlanar.cu)
  zelk_cuda_host_flags(zelk_cuda_kernels)
  set_target_properties(zelk_cuda_kernels PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CUDA_SEPARABLE_COMPILATION OFF)
  # No contraction in the kernels: the look arithmetic is fixed operation by
  # operation, explicit fmaf calls stay fused.
  target_compile_options(zelk_cuda_kernels PRIVATE --fmad=false)
  target_include_directories(zelk_cuda_kernels PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(zelk_cuda_kernels PRIVATE zelk_lut)
  add_library(zelk_gpu_cuda STATIC ${zelk_cuda_host_sources}
                                   $<TARGET_OBJECTS:zelk_cuda_kernels>)
endif()
set_target_properties(zelk_gpu_cuda PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_compile_definitions(zelk_gpu_cuda PUBLIC ZELK_HAVE_CUDA=1)
target_include_directories(zelk_gpu_cuda PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(zelk_gpu_cuda PUBLIC zelk_lut CUDA::cudart_static)
target_link_libraries(zelk_gpu_cuda PRIVATE ofx_support)
