vfs_fuzzer(skin_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/skin_file.cpp LIBS vfs_skin vfs_core)
