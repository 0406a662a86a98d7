vfs_fuzzer(avm1_bytecode SOURCES ${CMAKE_CURRENT_LIST_DIR}/avm1_bytecode.cpp LIBS vfs_player vfs_avm1 vfs_swf vfs_core)
