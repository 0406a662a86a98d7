# Decoding one minute of 128 kbit/s joint-stereo MP3 at 44.1 kHz (a chord with a slow sweep and
# some noise, so that every part of the decoder works), made with sox and lame at build time.
find_program(VFS_BENCH_SOX sox)
find_program(VFS_BENCH_LAME lame)
if(NOT VFS_BENCH_SOX OR NOT VFS_BENCH_LAME)
  message(STATUS "bench_mp3_decode left out: sox and lame make its data (scripts/setup.sh installs them)")
  return()
endif()
set(VFS_BENCH_MP3 ${CMAKE_BINARY_DIR}/bench/minute_128k.mp3)
add_custom_command(OUTPUT ${VFS_BENCH_MP3}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bench
                   COMMAND ${VFS_BENCH_SOX} -n -r 44100 -c 2 -b 16 ${CMAKE_BINARY_DIR}/bench/minute.wav
                           synth 60 sine 220 sine 330-3300 pinknoise gain -9
                   COMMAND ${VFS_BENCH_LAME} --quiet -b 128 ${CMAKE_BINARY_DIR}/bench/minute.wav ${VFS_BENCH_MP3}
                   COMMENT "Making the one-minute MP3 of bench_mp3_decode")
add_custom_target(bench_mp3_decode_data DEPENDS ${VFS_BENCH_MP3})
vfs_benchmark(bench_mp3_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/mp3_decode.cpp LIBS vfs_sound vfs_core)
add_dependencies(bench_mp3_decode bench_mp3_decode_data)
target_compile_definitions(bench_mp3_decode PRIVATE VFS_BENCH_MP3="${VFS_BENCH_MP3}")
