# Compiler settings shared by every target of the project.
set(QMVSTI_WARNINGS -Wall -Wextra -Wshadow -Wno-unused-parameter)
if(QMVSTI_WERROR)
    list(APPEND QMVSTI_WARNINGS -Werror)
endif()

if(WIN32)
    # The module and every test program depend on system DLLs only.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # SSE2 is the baseline the converters select at run time. On i686 scalar float math uses it too, so
    # that results are rounded to float as on x86_64 instead of carrying x87 excess precision; float
    # returns of cdecl functions still travel in st(0), as the ABI says.
    add_compile_options(-msse2 -mstackrealign)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        add_compile_options(-mfpmath=sse)
    endif()
    add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
endif()

if(QMVSTI_SANITIZE)
    list(JOIN QMVSTI_SANITIZE "," _qmvsti_san)
    add_compile_options(-fsanitize=${_qmvsti_san} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=${_qmvsti_san})
endif()

# Collects the sources of one folder: portable files plus the platform's own sub-folder.
function(qmvsti_glob_sources out dir)
    file(GLOB _portable CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    if(WIN32)
        file(GLOB _os CONFIGURE_DEPENDS ${dir}/win32/*.cpp ${dir}/win32/*.c ${dir}/win32/*.S)
    else()
        file(GLOB _os CONFIGURE_DEPENDS ${dir}/posix/*.cpp ${dir}/posix/*.c ${dir}/posix/*.S)
    endif()
    set(${out} ${_portable} ${_os} PARENT_SCOPE)
endfunction()

function(qmvsti_warnings target)
    target_compile_options(${target} PRIVATE ${QMVSTI_WARNINGS})
endfunction()
