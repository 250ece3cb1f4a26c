# The same programs for 64-bit Windows, for machines whose Wine can run only 64-bit programs
# (see scripts/lib/wine.sh). What ships is the i686 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
