# Cross compiling with mingw-w64 (posix threads, for std::thread and
# GoogleTest); MVN_ARCH is set by the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MVN_ARCH})
set(MVN_TRIPLE ${MVN_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${MVN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MVN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MVN_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MVN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
