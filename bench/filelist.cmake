vfs_benchmark(bench_filelist SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/filelist.cpp LIBS vfs_filelist)
