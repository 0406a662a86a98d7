# Time to the first frame of a 10 MB movie at 1920x1080 on the engine path of the player view.
vfs_benchmark(bench_first_frame SOURCES ${CMAKE_CURRENT_LIST_DIR}/first_frame.cpp
              ${CMAKE_SOURCE_DIR}/platform/playback.cpp
              LIBS vfs_player vfs_render vfs_swf vfs_core)
