# The preview's costs on the portable path: one frame of a 24 fps corpus movie in the 181 x 161
# player area, and the frame clock's drift over a minute of real sleeping.
vfs_benchmark(bench_preview_clock SOURCES ${CMAKE_CURRENT_LIST_DIR}/preview_clock.cpp
              ${CMAKE_SOURCE_DIR}/platform/playback.cpp
              LIBS vfs_player vfs_render vfs_swf vfs_core)
