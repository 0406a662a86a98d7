# The standalone player's Windows side under Wine: the player image fetched from a "CUSTOM" 101
# resource (embedded as the main program embeds it), the movie found in a projector's own file,
# the player window sized to the stage, the dialog system's program name, and a projector made
# from the image running a movie whose frame script draws.
enable_language(RC)
set(vfs_player_image ${CMAKE_BINARY_DIR}/player_image.bin)
vfs_gtest(test_projector_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/projector_test_win32.cpp
          ${CMAKE_CURRENT_LIST_DIR}/projector_test_win32.rc
  LIBS vfs_projector vfs_winui vfs_builders vfs_swf)
target_include_directories(test_projector_win32 PRIVATE ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/tests/avm1)
target_compile_definitions(test_projector_win32 PRIVATE VFS_PLAYER_IMAGE_PATH="Z:${vfs_player_image}")
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/projector_test_win32.rc
                            PROPERTIES OBJECT_DEPENDS ${vfs_player_image})
add_dependencies(test_projector_win32 player_image)
