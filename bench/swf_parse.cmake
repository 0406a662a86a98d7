vfs_benchmark(swf_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/swf_parse.cpp LIBS vfs_player vfs_swf vfs_core)
