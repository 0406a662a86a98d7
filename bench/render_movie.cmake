vfs_benchmark(bench_render_movie SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_movie.cpp
              ${CMAKE_SOURCE_DIR}/cli/demo/demo_movie.cpp
              LIBS vfs_player vfs_render vfs_swf vfs_core)
