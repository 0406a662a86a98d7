vfs_benchmark(bench_filters SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters.cpp
              LIBS vfs_player vfs_render vfs_swf vfs_core)
