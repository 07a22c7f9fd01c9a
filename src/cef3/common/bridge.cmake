# The page-script bridge's shared pieces: the function name set and the JS
# call message, used by the renderer and read by the browser side.
add_library(corrin_cef_bridge_common STATIC
  ${CMAKE_CURRENT_LIST_DIR}/JsFunctionNameSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/JsCallMessage.cpp)
target_include_directories(corrin_cef_bridge_common PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_bridge_common PUBLIC cefstub corrin_core)
