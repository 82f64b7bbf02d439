# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads, so std::thread works).
# The Qt for MinGW to build against comes from QT_MINGW_PREFIX in the environment (scripts/build-windows
# sets it); Qt's code generators (moc, rcc, uic) are the build machine's own, through QT_HOST_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SERIMO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SERIMO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SERIMO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SERIMO_MINGW}-windres)
set(CMAKE_OBJDUMP ${SERIMO_MINGW}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${SERIMO_MINGW})
if(DEFINED ENV{QT_MINGW_PREFIX})
  list(PREPEND CMAKE_FIND_ROOT_PATH $ENV{QT_MINGW_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
