# Cross build for 32-bit Windows with Debian's mingw-w64 (POSIX thread model, so
# std::thread and std::mutex work). Programs are linked statically: they need no
# DLL beyond the system's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QIV_MINGW_TRIPLE i686-w64-mingw32)
find_program(CMAKE_C_COMPILER ${QIV_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${QIV_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${QIV_MINGW_TRIPLE}-windres)
find_program(CMAKE_AR ${QIV_MINGW_TRIPLE}-gcc-ar-posix)
find_program(CMAKE_RANLIB ${QIV_MINGW_TRIPLE}-gcc-ranlib-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${QIV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# GCC 12 reports a false -Wrestrict inside libstdc++'s string concatenation at -O2
# (GCC bug 105329); keep it visible without failing the -Werror build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-error=restrict")

# Windows 7 SP1 is the oldest system supported: the program and every library
# built with this file see the Win32 API of Windows 7 (0x0601), no newer.
string(APPEND CMAKE_C_FLAGS_INIT " -D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
string(APPEND CMAKE_CXX_FLAGS_INIT " -D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
