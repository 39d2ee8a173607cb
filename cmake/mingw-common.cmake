# The -posix compilers: the -win32 thread model cannot build GoogleTest.
set(CMAKE_C_COMPILER ${ZORVAND_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORVAND_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORVAND_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZORVAND_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Static, or every program imports libwinpthread-1.dll and the C++ runtime.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
