# Engine start shared by every process role: the role test and the plain
# application object of the other sub-processes.
add_library(corrin_cef_start_common STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ProcessRole.cpp)
target_include_directories(corrin_cef_start_common PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_start_common PUBLIC cefstub corrin_core)
