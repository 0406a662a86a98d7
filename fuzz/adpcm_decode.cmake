vfs_fuzzer(adpcm_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/adpcm_decode.cpp LIBS vfs_sound vfs_core)
set_tests_properties(adpcm_decode PROPERTIES ENVIRONMENT UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1)
