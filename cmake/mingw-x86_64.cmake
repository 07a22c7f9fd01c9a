# 64-bit Windows: the same sources, for machines that cannot run 32-bit code.
set(CORRIN_MINGW_ARCH x86_64)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
