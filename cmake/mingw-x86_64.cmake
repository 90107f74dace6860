# Cross build for 64-bit Windows: the same core and tests under 64-bit Wine, on machines that cannot
# execute 32-bit code.
set(QMVSTI_MINGW_PROCESSOR x86_64)
set(QMVSTI_WINE_ARCH 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
