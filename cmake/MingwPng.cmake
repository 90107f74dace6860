# zlib and libpng for the Windows targets: static libraries that scripts/setup builds from Debian's
# source packages into build/third-party/<triple>, since Debian ships no mingw build of either.
# Gives the imported targets QmVSTi::png (which brings QmVSTi::zlib along).
set(_qmvsti_png_root ${PROJECT_SOURCE_DIR}/build/third-party/${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
foreach(_file include/png.h include/zlib.h lib/libpng.a lib/libz.a)
    if(NOT EXISTS ${_qmvsti_png_root}/${_file})
        message(FATAL_ERROR "libpng and zlib for ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32 are missing "
                            "(${_qmvsti_png_root}/${_file}): run scripts/setup first")
    endif()
endforeach()
add_library(QmVSTi::zlib STATIC IMPORTED)
set_target_properties(QmVSTi::zlib PROPERTIES
    IMPORTED_LOCATION ${_qmvsti_png_root}/lib/libz.a
    INTERFACE_INCLUDE_DIRECTORIES ${_qmvsti_png_root}/include)
add_library(QmVSTi::png STATIC IMPORTED)
set_target_properties(QmVSTi::png PROPERTIES
    IMPORTED_LOCATION ${_qmvsti_png_root}/lib/libpng.a
    INTERFACE_INCLUDE_DIRECTORIES ${_qmvsti_png_root}/include
    INTERFACE_LINK_LIBRARIES QmVSTi::zlib)
