vfs_fuzzer(filters SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters.cpp LIBS vfs_render)
