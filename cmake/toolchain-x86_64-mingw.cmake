# Cross build for 64-bit Windows with Debian's MinGW-w64. It serves hosts that run 64-bit code
# only, where no 32-bit Windows program can be tested; what ships stays 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The wrapper called wine starts the 32-bit loader whenever that file exists, and such a host
# cannot run it: the test executables go to the 64-bit loader by name.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh --loader=/usr/lib/wine/wine64)
