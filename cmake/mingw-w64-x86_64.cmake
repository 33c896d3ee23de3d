# The same sources for 64-bit Windows, for machines whose Wine cannot run
# 32-bit code (end-to-end tests only; the product is the 32-bit build).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
