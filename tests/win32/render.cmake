# The renderer's portable tests, built 32-bit: the Windows programs run the plain C++ paths of
# the rasterizer and blender (no SSE2 in the i686 build), which the native build never executes,
# and the filters' and layer compositing's SSE2 code as the 32-bit renderer library builds it.
vfs_gtest(test_render_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../render/coverage_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../render/paint_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../render/stroke_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../render/renderer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../render/layer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../render/filter_pixels_test.cpp
  LIBS vfs_render)
