# Engine start of the browser process and the window thread's task loop.
# The renderer's application object comes from the renderer folder.
if(TARGET corrin_cef_renderer)
  add_library(corrin_cef_start STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ClientAppBrowser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CefMainInit.cpp)
  target_include_directories(corrin_cef_start PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(corrin_cef_start PUBLIC corrin_cef_start_common corrin_cef_renderer corrin_cef_traits cefstub corrin_core)
endif()
add_library(corrin_cef_mainloop STATIC ${CMAKE_CURRENT_LIST_DIR}/MainMessageLoopWin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowTaskRelay.cpp)
target_include_directories(corrin_cef_mainloop PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(corrin_cef_mainloop PUBLIC duilib cefstub corrin_core)
