vfs_benchmark(bench_saver_build SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/saver_build.cpp LIBS vfs_builders)
