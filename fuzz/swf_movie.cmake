vfs_fuzzer(swf_movie SOURCES ${CMAKE_CURRENT_LIST_DIR}/swf_movie.cpp LIBS vfs_player vfs_swf vfs_core)
