# Decoding a 1920x1080 baseline JPEG (4:2:0, quality 85) of a smooth but detailed picture, made
# with ImageMagick (and jpegtran for the progressive copy) when the benchmark is built.
# The same picture progressive is measured too.
set(VFS_BENCH_JPEG ${CMAKE_BINARY_DIR}/bench/hd_1920x1080.jpg)
set(VFS_BENCH_JPEG_PROGRESSIVE ${CMAKE_BINARY_DIR}/bench/hd_1920x1080_progressive.jpg)
add_custom_command(OUTPUT ${VFS_BENCH_JPEG} ${VFS_BENCH_JPEG_PROGRESSIVE}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bench
                   COMMAND convert -seed 20261207 -size 1920x1080 plasma:fractal -blur 0x1.5
                           -sampling-factor 2x2 -quality 85 -strip ${VFS_BENCH_JPEG}
                   COMMAND jpegtran -progressive -outfile ${VFS_BENCH_JPEG_PROGRESSIVE} ${VFS_BENCH_JPEG}
                   COMMENT "Making the 1920x1080 JPEGs of bench_jpeg_decode")
add_custom_target(bench_jpeg_decode_data DEPENDS ${VFS_BENCH_JPEG} ${VFS_BENCH_JPEG_PROGRESSIVE})
vfs_benchmark(bench_jpeg_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_decode.cpp LIBS vfs_codec vfs_core)
add_dependencies(bench_jpeg_decode bench_jpeg_decode_data)
target_compile_definitions(bench_jpeg_decode PRIVATE VFS_BENCH_JPEG="${VFS_BENCH_JPEG}"
                           VFS_BENCH_JPEG_PROGRESSIVE="${VFS_BENCH_JPEG_PROGRESSIVE}")
