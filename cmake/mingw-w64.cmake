# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads), run
# under Wine. Header-only libraries and GoogleTest come from a staging prefix
# that scripts/test-windows.sh fills (TESSALY_MINGW_DEPS); the host's own
# /usr/include is never searched, since its headers clash with MinGW's. Qt's
# own qt.toolchain.cmake loads this file first when the editor is built (it
# adds the Qt prefix that scripts/mingw-qt.sh builds).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSALY_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSALY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALY_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSALY_MINGW_TRIPLET} ${TESSALY_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests, test discovery and the tools that a build runs go through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# try_compile projects see the staging prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESSALY_MINGW_DEPS)
