vfs_benchmark(bench_projector_build SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/projector_build.cpp LIBS vfs_builders)
