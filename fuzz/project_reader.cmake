vfs_fuzzer(project_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/project_reader.cpp LIBS vfs_filelist)
