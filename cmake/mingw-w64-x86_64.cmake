# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread
# model, so std::thread and std::mutex work), e.g.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The programs are linked statically (libgcc, libstdc++ and winpthread
# included), so each runs with no DLL beside it. Where Wine is installed,
# ctest runs the test programs under it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILVE_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QUILVE_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUILVE_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUILVE_MINGW_TRIPLE}-windres)
find_program(CMAKE_AR NAMES ${QUILVE_MINGW_TRIPLE}-gcc-ar-posix ${QUILVE_MINGW_TRIPLE}-ar)
find_program(CMAKE_RANLIB NAMES ${QUILVE_MINGW_TRIPLE}-gcc-ranlib-posix ${QUILVE_MINGW_TRIPLE}-ranlib)
find_program(CMAKE_STRIP NAMES ${QUILVE_MINGW_TRIPLE}-strip)

# Libraries and headers only from the MinGW tree and from the prefixes named
# in CMAKE_PREFIX_PATH (the third-party libraries built for Windows); the
# build machine's programs stay usable.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILVE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries first, so that nothing needs a DLL at run time.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .lib)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

find_program(QUILVE_WINE NAMES wine wine64)
if(QUILVE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILVE_WINE})
endif()
