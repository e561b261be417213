# Cross-compiling the Windows program with MinGW-w64 (win32 threads) for the
# processor the including toolchain file names in TQ_MINGW_PROCESSOR.
set(_tq_triple ${TQ_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TQ_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${_tq_triple}-gcc)
set(CMAKE_CXX_COMPILER ${_tq_triple}-g++)
set(CMAKE_RC_COMPILER ${_tq_triple}-windres)
# The release libraries hold GCC's intermediate code (link-time
# optimisation): GCC's archiver and index maker read its symbols.
set(CMAKE_AR ${_tq_triple}-gcc-ar)
set(CMAKE_RANLIB ${_tq_triple}-gcc-ranlib)
set(CMAKE_FIND_ROOT_PATH /usr/${_tq_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Nothing but system DLLs at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR "")
