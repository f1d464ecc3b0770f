# The OpenCL render mode of ofxhost (OpenClRender): included by host/lib's CMake
# after the ofxhost target exists. The OpenCL calls come from zelk_gpu_loader,
# which opens the loader at run time, so host programs start without one.
if(ZELK_ENABLE_OPENCL)
  target_sources(ofxhost PRIVATE ${CMAKE_CURRENT_LIST_DIR}/OpenClRender.cpp)
  # Published as <ofxhost/OpenClRender.h> beside the other public headers.
  set(_zelk_opencl_include ${CMAKE_CURRENT_BINARY_DIR}/opencl_include)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/OpenClRender.h
                 ${_zelk_opencl_include}/ofxhost/OpenClRender.h COPYONLY)
  target_include_directories(ofxhost PUBLIC $<BUILD_INTERFACE:${_zelk_opencl_include}>)
  target_compile_definitions(ofxhost PUBLIC OFXHOST_HAVE_OPENCL=1)
  target_link_libraries(ofxhost PRIVATE zelk_gpu_loader)
endif()
