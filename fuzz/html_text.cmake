vfs_fuzzer(html_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/html_text.cpp LIBS vfs_player vfs_render vfs_swf vfs_core)
