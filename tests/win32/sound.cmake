# Sound output under Wine: waveOut on Wine's driver (which may have no device on a machine
# without sound hardware), and movies with sound playing in the player view either way.
vfs_gtest(test_sound_output_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_output_test_win32.cpp
  LIBS vfs_platform
  LABELS gui)

# The same with ALSA's null device as the default output, so that Wine's waveOut opens a device
# even on machines without sound hardware: the device path (open, feeding, closing) runs too.
set(vfs_alsa_home ${CMAKE_BINARY_DIR}/tests/alsa_null_home)
file(MAKE_DIRECTORY ${vfs_alsa_home})
file(WRITE ${vfs_alsa_home}/.asoundrc "pcm.!default {\n    type null\n}\n")
add_test(NAME test_sound_output_win32_null_device COMMAND test_sound_output_win32 --gtest_brief=1)
set_tests_properties(test_sound_output_win32_null_device PROPERTIES
                     FIXTURES_REQUIRED wine_session RESOURCE_LOCK display TIMEOUT 300
                     LABELS "win32;gui" ENVIRONMENT "HOME=${vfs_alsa_home}")
