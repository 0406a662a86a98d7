# Form1 hosted in the test's own process under Wine. The main program's resources (manifest for
# common controls 6, icon) are linked in as well.
enable_language(RC)
vfs_gtest(test_form1
  SOURCES form1_fixture_win32.cpp form1_window_test_win32.cpp form1_commands_test_win32.cpp preview_form1_test_win32.cpp
          help_links_test_win32.cpp
          ${CMAKE_SOURCE_DIR}/resources/app.rc
  LIBS vfs_app
  LABELS gui)
target_include_directories(test_form1 PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR})
# app.rc embeds the padded screensaver runtime as "CUSTOM" 102.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/app.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/app.ico;${CMAKE_SOURCE_DIR}/resources/app.manifest;${VFS_SAVER_IMAGE}")
add_dependencies(test_form1 saver_image)
set_tests_properties(test_form1 PROPERTIES RESOURCE_LOCK display)
