# The page-script bridge's shared pieces. corrin_cef_bridge_common: the name
# constants and the JS call message. corrin_cef_traits: where the launcher's
# and the player's builds of the browser host differ (both programs' traits,
# the page-callable names among them).
add_library(corrin_cef_bridge_common STATIC ${CMAKE_CURRENT_LIST_DIR}/JsCallMessage.cpp)
target_include_directories(corrin_cef_bridge_common PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_bridge_common PUBLIC cefstub corrin_core)

add_library(corrin_cef_traits STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CefProgramTraits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/JsFunctionNameSet.cpp)
target_include_directories(corrin_cef_traits PUBLIC ${CMAKE_CURRENT_LIST_DIR})
