# Cross build of the 32-bit Windows module, the product.
set(QMVSTI_MINGW_PROCESSOR i686)
set(QMVSTI_WINE_ARCH 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
