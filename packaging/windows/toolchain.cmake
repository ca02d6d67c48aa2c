# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, for std::thread
# and std::mutex). RW_WINDOWS_PREFIXES lists the folders Qt and PCRE2 for Windows were installed to.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RW_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RW_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RW_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${RW_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RW_MINGW} $ENV{RW_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
