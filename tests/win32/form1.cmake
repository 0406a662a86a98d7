# Form1 hosted in the test's own process under Wine. The main program's resources (manifest for
# common controls 6, icon) are linked in as well.
enable_language(RC)
vfs_gtest(test_form1
  SOURCES form1_fixture.cpp test_form1_window.cpp test_form1_commands.cpp
          ${CMAKE_SOURCE_DIR}/resources/app.rc
  LIBS vfs_app
  LABELS gui)
target_include_directories(test_form1 PRIVATE ${CMAKE_SOURCE_DIR}/resources)
set_tests_properties(test_form1 PROPERTIES RESOURCE_LOCK display)
