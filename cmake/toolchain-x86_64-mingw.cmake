# The same sources for 64-bit Windows: the build the tests run on machines
# that cannot execute 32-bit x86 code (see scripts/wine-env).
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
