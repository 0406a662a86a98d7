# The player view window under Wine, and the movie writer the end-to-end scripts use.
vfs_gtest(test_player_view_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_view_test_win32.cpp
  LIBS vfs_platform
  LABELS gui)

add_executable(vfs_view_movie ${CMAKE_CURRENT_LIST_DIR}/view_movie_tool.cpp)
target_link_libraries(vfs_view_movie PRIVATE vfs_swf vfs_core)
set_target_properties(vfs_view_movie PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
