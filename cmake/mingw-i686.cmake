# Cross toolchain: 32-bit Windows through mingw-w64 with posix threads; tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TESSEL_HOST i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSEL_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSEL_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSEL_HOST}-windres)
set(CMAKE_AR ${TESSEL_HOST}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TESSEL_HOST}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TESSEL_HOST})
if(DEFINED ENV{TESSEL_DEPS})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{TESSEL_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Same floating-point results in tests and in use: SSE2 arithmetic, never the x87 stack.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
