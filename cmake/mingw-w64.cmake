# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, so std::thread and
# std::mutex work). Used for Qt itself and for the program; extra prefixes such as the cached
# Qt for Windows are added with -DCMAKE_FIND_ROOT_PATH or TVL_WIN_PREFIXES.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TVL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TVL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TVL_MINGW_TRIPLE}-windres)

# Target libraries and packages come only from the mingw root (and the prefixes given),
# programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TVL_MINGW_TRIPLE} ${TVL_WIN_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

