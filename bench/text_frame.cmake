vfs_benchmark(bench_text_frame SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_frame.cpp
              LIBS vfs_player vfs_render vfs_swf vfs_core)
