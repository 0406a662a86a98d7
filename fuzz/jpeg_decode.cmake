vfs_fuzzer(jpeg_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_decode.cpp LIBS vfs_codec vfs_core)
