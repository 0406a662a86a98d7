vfs_fuzzer(selection_splitter SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/selection_splitter.cpp LIBS vfs_filelist)
