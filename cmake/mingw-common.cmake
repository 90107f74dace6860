# Shared part of the mingw-w64 cross builds (posix threads); the including toolchain file sets
# QMVSTI_MINGW_PROCESSOR (i686 | x86_64) and QMVSTI_WINE_ARCH (32 | 64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QMVSTI_MINGW_PROCESSOR})
set(_qmvsti_triple ${QMVSTI_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${_qmvsti_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_qmvsti_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_qmvsti_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_qmvsti_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine with a prefix inside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;--arch;${QMVSTI_WINE_ARCH}")
