vfs_fuzzer(extractor SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/extractor.cpp LIBS vfs_builders)
