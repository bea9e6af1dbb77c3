# Cross build for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64). The posix-thread variant of the compiler is the one
# with std::thread. Executables link libgcc, libstdc++ and winpthread
# statically so a test .exe runs on its own, without the MinGW DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TELVARO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TELVARO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TELVARO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TELVARO_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Libraries, headers and packages come from the MinGW sysroot and the prefixes
# built for Windows (TELVARO_WIN_PREFIXES: Qt and the libraries the scripts
# build), never from the host, which has its own for Linux.
set(CMAKE_FIND_ROOT_PATH /usr/${TELVARO_MINGW_TRIPLE} ${TELVARO_WIN_PREFIXES})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TELVARO_WIN_PREFIXES)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
