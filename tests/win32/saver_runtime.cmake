# The runtime's Windows file glue and its portable start-up logic, run under Wine.
vfs_gtest(test_saver_runtime_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/saver_runtime_test_win32.cpp
          ${CMAKE_SOURCE_DIR}/tests/saver_runtime/runtime_start_up_test.cpp
  LIBS vfs_saver_runtime vfs_builders)
