# The engine clients of the browser controls. They and the controls use each
# other, so the two static libraries link each other.
add_library(corrin_cef_handlers STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ClientHandlerBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClientHandlerRender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClientHandlerCommon.cpp)
target_include_directories(corrin_cef_handlers PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_handlers PUBLIC corrin_cef_controls corrin_cef_traits cefstub corrin_core)
# The account cookie "_bp_ff_" in the engine's shared store: the visitor that
# finds it and the bounded read, delete and set of both programs.
add_library(corrin_cef_cookie STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OrvCookieVisitor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AccountCookie.cpp)
target_include_directories(corrin_cef_cookie PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_cookie PUBLIC cefstub corrin_core)
