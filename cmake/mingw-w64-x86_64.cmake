# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 g++ (posix thread model, which
# std::thread and GoogleTest need). Everything is linked statically, so the executables need only
# DLLs that every Windows has. Tests run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(palvetta_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${palvetta_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${palvetta_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${palvetta_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${palvetta_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread inside the executable instead of DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(palvetta_wine NAMES wine)
if(palvetta_wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${palvetta_wine})
endif()
