# Cross build for 64-bit Windows with MinGW-w64 on Debian (g++-mingw-w64-x86-64).
# The "posix" variant of the compiler is the one with std::thread and std::mutex;
# everything is linked statically so the executables need no MinGW DLLs, under
# Wine or on a Windows machine alike. ctest runs the Windows test programs
# through Wine (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TYPELANE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TYPELANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TYPELANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TYPELANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TYPELANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
