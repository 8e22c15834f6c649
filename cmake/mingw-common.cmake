# Shared part of the two mingw-w64 toolchains. MINGW_TRIPLE is set by the
# including file. The -posix compilers are used throughout.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# CTest runs the Windows executables through Wine. scripts/test prepares the
# prefix and the display; the loader is picked by bitness.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
else()
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
