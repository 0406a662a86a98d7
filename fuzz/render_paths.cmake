vfs_fuzzer(render_paths SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_paths.cpp LIBS vfs_render)
