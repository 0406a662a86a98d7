vfs_fuzzer(gif_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_decode.cpp LIBS vfs_codec vfs_core)
