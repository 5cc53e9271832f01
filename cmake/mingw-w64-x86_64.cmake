# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads):
#   apt-get install g++-mingw-w64-x86-64-posix wine wine64
# The programs are linked statically, so Quorvane.exe needs no extra DLLs,
# and CTest runs the tests under Wine where it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(QUORVANE_WINE wine)
if(QUORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_WINE})
endif()
