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

if(ZELK_HAVE_CUDA)
  find_package(CUDAToolkit REQUIRED)

  add_library(zelk_gpu_cuda STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CudaHelpers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CudaLaunch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Process3DLUT.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertFromPlanar.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertFromPlanarAlpha.cu
    ${CMAKE_CURRENT_LIST_DIR}/ProcessConvertToPlanar.cu)
  zelk_cuda_host_flags(zelk_gpu_cuda)
  set_target_properties(zelk_gpu_cuda PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CUDA_SEPARABLE_COMPILATION OFF)
  # No contraction in the kernels: the look arithmetic is fixed operation by
  # operation, explicit fmaf calls stay fused.
  target_compile_options(zelk_gpu_cuda PRIVATE $<$<COMPILE_LANGUAGE:CUDA>:--fmad=false>)
  target_compile_definitions(zelk_gpu_cuda PUBLIC ZELK_HAVE_CUDA=1)
  target_include_directories(zelk_gpu_cuda PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(zelk_gpu_cuda PUBLIC zelk_lut CUDA::cudart_static)
  target_link_libraries(zelk_gpu_cuda PRIVATE ofx_support)
endif()
