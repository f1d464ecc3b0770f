# The plug-in: its sources as an object library (unit tests link them), the
# MODULE that hosts load, and zelk_bundle, which assembles the bundle.

add_library(zelk_plugin_core OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/ZELKLooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LookLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RenderLook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RenderMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Process3DLUT.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceLayout.cpp)
target_include_directories(zelk_plugin_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
set_target_properties(zelk_plugin_core PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(zelk_plugin_core PUBLIC ofx_support zelk_lookrow zelk_lut)
if(ZELK_HAVE_CUDA)
  target_link_libraries(zelk_plugin_core PUBLIC zelk_gpu_cuda)
endif()
if(ZELK_ENABLE_OPENCL)
  target_link_libraries(zelk_plugin_core PUBLIC zelk_gpu_opencl)
endif()

# Only the two OFX entry points leave the shared object; hidden visibility
# alone would still export template instances and the static C++ runtime.
set(ZELK_PLUGIN_VERSION_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/zelk_plugin.map)
file(WRITE ${ZELK_PLUGIN_VERSION_SCRIPT}
  "{\n  global:\n    OfxGetNumberOfPlugins;\n    OfxGetPlugin;\n  local:\n    *;\n};\n")

add_library(zelk_plugin MODULE)
target_link_libraries(zelk_plugin PRIVATE zelk_plugin_core)
set_target_properties(zelk_plugin PROPERTIES
  OUTPUT_NAME "ZELK-Look-Lib"
  PREFIX ""
  SUFFIX ".ofx"
  LIBRARY_OUTPUT_DIRECTORY ${ZELK_BUNDLE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  BUILD_WITH_INSTALL_RPATH ON
  INSTALL_RPATH "/usr/OFX/Plugins/ZELK-Look-Lib.ofx.bundle/Contents/Linux-x86-64/"
  LINK_DEPENDS ${ZELK_PLUGIN_VERSION_SCRIPT})
target_link_options(zelk_plugin PRIVATE "-Wl,--version-script=${ZELK_PLUGIN_VERSION_SCRIPT}")
if(NOT ZELK_SANITIZED)
  # Hosts ship their own, often older, C++ runtime; carry ours. A symbol left
  # unresolved is a link error here rather than a load failure in a host.
  target_link_options(zelk_plugin PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined)
endif()

# The plug-in and its look files (zelk_looks, from looks/).
add_custom_target(zelk_bundle)
add_dependencies(zelk_bundle zelk_plugin zelk_looks)
