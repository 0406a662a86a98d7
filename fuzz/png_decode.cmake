vfs_fuzzer(png_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_decode.cpp LIBS vfs_codec vfs_core)
# Undefined behaviour ends the run (sanitiser checks otherwise only print and go on).
set_tests_properties(png_decode PROPERTIES ENVIRONMENT UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1)
