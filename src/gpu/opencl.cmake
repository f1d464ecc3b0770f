# The OpenCL back-end: zelk_gpu_opencl (buffers, kernel cache, launchers and the
# embedded programs) over the entry points of zelk_gpu_loader (gpu-loader/).
#
# Run as a script (-P) this file is also the embed step: it turns each .cl file
# into a C++ string, with `#include "X"` lines replaced by the text of X.

if(CMAKE_SCRIPT_MODE_FILE AND ZELK_CL_EMBED)
  set(sources "")
  set(decls "")
  foreach(program IN LISTS ZELK_CL_PROGRAMS)
    file(READ "${ZELK_CL_DIR}/${program}.cl" text)
    string(REGEX MATCHALL "#include \"[^\"]+\"" includes "${text}")
    foreach(directive IN LISTS includes)
      string(REGEX REPLACE "#include \"([^\"]+)\"" "\\1" header "${directive}")
      file(READ "${ZELK_CL_INCLUDE_DIR}/${header}" included)
      string(REPLACE "${directive}" "${included}" text "${text}")
    endforeach()
    if(text MATCHES "\\)zelk_cl\"")
      message(FATAL_ERROR "${program}.cl holds the raw-string terminator )zelk_cl\"")
    endif()
    string(APPEND sources "extern const char* const ${program};\n"
                          "const char* const ${program} = R\"zelk_cl(${text})zelk_cl\";\n\n")
    string(APPEND decls "extern const char* const ${program};\n")
  endforeach()
  set(note "// Generated from src/gpu/*.cl by opencl.cmake; edit the .cl files.\n")
  file(WRITE "${ZELK_CL_OUT}.cpp.tmp"
       "${note}namespace OpenClPrograms {\n\n${sources}} // namespace OpenClPrograms\n")
  file(WRITE "${ZELK_CL_OUT}.h.tmp"
       "#pragma once\n${note}\n// The program texts, one kernel each, named after it.\n"
       "namespace OpenClPrograms {\n${decls}} // namespace OpenClPrograms\n")
  # Rewrite only on change, so that an unchanged text rebuilds nothing.
  file(COPY_FILE "${ZELK_CL_OUT}.cpp.tmp" "${ZELK_CL_OUT}.cpp" ONLY_IF_DIFFERENT)
  file(COPY_FILE "${ZELK_CL_OUT}.h.tmp" "${ZELK_CL_OUT}.h" ONLY_IF_DIFFERENT)
  file(REMOVE "${ZELK_CL_OUT}.cpp.tmp" "${ZELK_CL_OUT}.h.tmp")
  return()
endif()

if(NOT ZELK_ENABLE_OPENCL)
  return()
endif()

set(ZELK_CL_PROGRAMS
    Process3DLUT ProcessConvertFromPlanar ProcessConvertFromPlanarAlpha ProcessConvertToPlanar)
set(zelk_cl_out ${CMAKE_CURRENT_BINARY_DIR}/generated/OpenClPrograms)
set(zelk_cl_files "")
foreach(program IN LISTS ZELK_CL_PROGRAMS)
  list(APPEND zelk_cl_files ${CMAKE_CURRENT_LIST_DIR}/${program}.cl)
endforeach()
add_custom_command(
  OUTPUT ${zelk_cl_out}.cpp ${zelk_cl_out}.h
  COMMAND ${CMAKE_COMMAND} -DZELK_CL_EMBED=ON
          "-DZELK_CL_PROGRAMS=${ZELK_CL_PROGRAMS}"
          -DZELK_CL_DIR=${CMAKE_CURRENT_LIST_DIR}
          -DZELK_CL_INCLUDE_DIR=${CMAKE_SOURCE_DIR}/lut
          -DZELK_CL_OUT=${zelk_cl_out}
          -P ${CMAKE_CURRENT_LIST_DIR}/opencl.cmake
  DEPENDS ${zelk_cl_files} ${CMAKE_SOURCE_DIR}/lut/LutMath.h
          ${CMAKE_CURRENT_LIST_DIR}/opencl.cmake
  COMMENT "Embedding the OpenCL programs"
  VERBATIM)

add_library(zelk_gpu_opencl STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OpenClLibrary.cpp
  ${zelk_cl_out}.cpp)
target_include_directories(zelk_gpu_opencl PUBLIC ${CMAKE_CURRENT_LIST_DIR}
                                                   ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_compile_definitions(zelk_gpu_opencl PUBLIC ZELK_HAVE_OPENCL=1)
target_link_libraries(zelk_gpu_opencl PUBLIC zelk_lut zelk_gpu_loader ofx_support)
