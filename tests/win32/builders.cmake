# The builders' Windows glue under Wine: the file lookup of output names, the folder browser and
# the runtime image fetched from a "CUSTOM" 102 resource, embedded as the main program embeds it.
enable_language(RC)
vfs_gtest(test_builders_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/builders_test_win32.cpp
          ${CMAKE_CURRENT_LIST_DIR}/folder_browser_test_win32.cpp
          ${CMAKE_CURRENT_LIST_DIR}/builders_test_win32.rc
  LIBS vfs_builders comctl32)
target_include_directories(test_builders_win32 PRIVATE ${CMAKE_BINARY_DIR})
target_compile_definitions(test_builders_win32 PRIVATE VFS_SAVER_IMAGE_PATH="Z:${VFS_SAVER_IMAGE}")
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/builders_test_win32.rc
                            PROPERTIES OBJECT_DEPENDS ${VFS_SAVER_IMAGE})
add_dependencies(test_builders_win32 saver_image)
