# Cross build for the 64-bit ARM recorders with Debian's crossbuild-essential-arm64;
# json-c, libcrypto and GoogleTest come from the :arm64 packages (multiarch).
# Test programs run under qemu-user with the :arm64 (multiarch) C library of the
# host: with the cross toolchain's own copy as root (-L) a dynamic program hangs in
# its first pthread_create under Debian 12's qemu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(NVR_TRIPLE aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${NVR_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${NVR_TRIPLE}-g++)
set(CMAKE_STRIP ${NVR_TRIPLE}-strip CACHE FILEPATH "")

# Multiarch: headers in /usr/include (shared), libraries in /usr/lib/aarch64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE ${NVR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${NVR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${NVR_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

find_program(NVR_QEMU qemu-aarch64)
if(NVR_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NVR_QEMU})
endif()
