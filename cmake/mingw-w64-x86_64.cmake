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

# Libraries, headers and packages come from the MinGW sysroot only, never from
# the host (which has its own GTest for Linux). A package built for Windows
# elsewhere is named by its <Package>_DIR.
set(CMAKE_FIND_ROOT_PATH /usr/${TELVARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
