# Interpreter speed: 10 million simple actions.
vfs_benchmark(bench_avm1_loop SOURCES ${CMAKE_CURRENT_LIST_DIR}/avm1_loop.cpp LIBS vfs_avm1 vfs_core)
