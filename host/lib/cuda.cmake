# The CUDA render mode of ofxhost (CudaRender): included by host/lib's CMake
# after the ofxhost target exists. Only with a CUDA toolkit; the runtime is
# linked statically so host programs run where no CUDA runtime is installed.
if(ZELK_HAVE_CUDA)
  find_package(CUDAToolkit REQUIRED)
  target_sources(ofxhost PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CudaRender.cpp)
  # Published as <ofxhost/CudaRender.h> beside the other public headers.
  set(_zelk_cuda_include ${CMAKE_CURRENT_BINARY_DIR}/cuda_include)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/CudaRender.h
                 ${_zelk_cuda_include}/ofxhost/CudaRender.h COPYONLY)
  target_include_directories(ofxhost PUBLIC $<BUILD_INTERFACE:${_zelk_cuda_include}>)
  target_compile_definitions(ofxhost PUBLIC OFXHOST_HAVE_CUDA=1)
  target_link_libraries(ofxhost PUBLIC CUDA::cudart_static)
endif()
