# The page-script bridge's shared pieces. corrin_cef_bridge_common: the name
# constants and the JS call message. corrin_cef_js_names: the launcher's list
# of page-callable names (JsFunctionNameSet::Names); a program with another
# list links its own definition instead of this library.
add_library(corrin_cef_bridge_common STATIC ${CMAKE_CURRENT_LIST_DIR}/JsCallMessage.cpp)
target_include_directories(corrin_cef_bridge_common PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_bridge_common PUBLIC cefstub corrin_core)

add_library(corrin_cef_js_names STATIC ${CMAKE_CURRENT_LIST_DIR}/JsFunctionNameSet.cpp)
target_include_directories(corrin_cef_js_names PUBLIC ${CMAKE_CURRENT_LIST_DIR})
