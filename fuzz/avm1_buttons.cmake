vfs_fuzzer(avm1_buttons SOURCES ${CMAKE_CURRENT_LIST_DIR}/avm1_buttons.cpp LIBS vfs_player vfs_avm1 vfs_swf vfs_core)
