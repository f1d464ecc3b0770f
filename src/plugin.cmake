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

# zelk_add_plugin_module(TARGET DIR): the shared object hosts load, written to DIR.
function(zelk_add_plugin_module target dir)
  add_library(${target} MODULE ${ARGN})
  target_link_libraries(${target} PRIVATE zelk_plugin_core)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME "ZELK-Look-Lib"
    PREFIX ""
    SUFFIX ".ofx"
    LIBRARY_OUTPUT_DIRECTORY ${dir}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "/usr/OFX/Plugins/ZELK-Look-Lib.ofx.bundle/Contents/Linux-x86-64/"
    LINK_DEPENDS ${ZELK_PLUGIN_VERSION_SCRIPT})
  target_link_options(${target} PRIVATE "-Wl,--version-script=${ZELK_PLUGIN_VERSION_SCRIPT}")
  if(ZELK_SANITIZED)
    return()
  endif()
  # A symbol left unresolved is a link error here rather than a load failure in
  # a host.
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
  if(ZELK_PLUGIN_ONLY)
    # zig links its libc++ statically, compiled with debug information that a
    # release plug-in does not carry.
    target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-Wl,--strip-debug>)
  else()
    # Hosts ship their own, often older, C++ runtime; carry ours.
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

if(ZELK_PLUGIN_ONLY)
  zelk_add_plugin_module(zelk_plugin ${ZELK_PLUGIN_OUTPUT_DIR}
    ${CMAKE_CURRENT_LIST_DIR}/UnloadHandlers.c)
  return()
endif()

if(ZELK_PORTABLE)
  # zelk_plugin is zig's build (cmake/PortablePlugin.cmake). This compiler's
  # module is built for the CPU benchmark's comparison only, outside the bundle.
  zelk_add_plugin_module(zelk_plugin_native
    "${ZELK_NATIVE_PLUGIN_BUNDLE}/Contents/Linux-x86-64" EXCLUDE_FROM_ALL)
  include(PortablePlugin)
else()
  zelk_add_plugin_module(zelk_plugin ${ZELK_BUNDLE_BINARY_DIR})
endif()

# The plug-in and its look files (zelk_looks, from looks/).
add_custom_target(zelk_bundle)
add_dependencies(zelk_bundle zelk_plugin zelk_looks)
