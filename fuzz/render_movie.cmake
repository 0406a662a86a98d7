vfs_fuzzer(render_movie SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_movie.cpp
           LIBS vfs_player vfs_render vfs_swf vfs_core)
