add_library(zelk_lookrow STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowScalar.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LookRowDispatch.cpp)
target_link_libraries(zelk_lookrow PUBLIC zelk_lutmath)
