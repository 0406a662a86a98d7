vfs_benchmark(bench_render_scene SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_scene.cpp LIBS vfs_render)
