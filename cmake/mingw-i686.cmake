# 32-bit Windows: the shipped programs.
set(CORRIN_MINGW_ARCH i686)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
