# Shared helpers for the project's CMake files.

# GoogleTest: the system package natively; for the Windows tests it is compiled from Debian's
# sources in /usr/src/googletest with the cross compiler.
if(WIN32)
  if(NOT TARGET gtest AND EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main gmock gmock_main)
      if(TARGET ${t})
        target_compile_options(${t} PRIVATE -w)
      endif()
    endforeach()
  endif()
  set(VFS_GTEST_LIBS gtest gmock)
  set(VFS_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VFS_GTEST_LIBS GTest::gtest GTest::gmock)
  set(VFS_GTEST_MAIN GTest::gtest_main)
endif()

# vfs_gtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [NO_MAIN])
# Adds a GoogleTest program and registers it with ctest as one test. Windows test programs run
# through the Wine wrapper (CMAKE_CROSSCOMPILING_EMULATOR) and need the wine session fixture.
function(vfs_gtest name)
  cmake_parse_arguments(T "NO_MAIN" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${VFS_GTEST_LIBS})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${VFS_GTEST_MAIN})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE VFS_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(WIN32)
    # Console programs; gtest's own output goes to the console Wine gives them.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    # They may open windows on the shared display, so they never run beside the e2e scripts.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session RESOURCE_LOCK display
                         TIMEOUT 300 LABELS "win32;${T_LABELS}")
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS "native;${T_LABELS}")
  endif()
endfunction()

# Libraries built without exceptions in the Windows programs (see vfs_library). The script
# interpreter unwinds a script throw or a stopped script through return values.
set(VFS_NO_EXCEPTION_LIBRARIES vfs_core vfs_codec vfs_swf vfs_render vfs_player vfs_platform vfs_avm1)

# vfs_library(NAME SOURCES ... [LIBS ...]): a static library of the project.
function(vfs_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(WIN32)
    # Each function and object in its own section, so that the programs' --gc-sections drops
    # whatever they do not call (the player programs have a size budget).
    target_compile_options(${name} PRIVATE -ffunction-sections -fdata-sections)
    # The engine (parsing, rendering, playback) reports errors as values and throws nothing.
    # Built without exception tables, its unused functions can be dropped at link time: on
    # Windows the linker keeps every function that an object's .eh_frame mentions. A failed
    # allocation inside it ends the program (std::terminate), as an uncaught one did before.
    # The engine runs on one thread, so its function-local statics need no guard: a guard links
    # the exception runtime and the threads library in (about 55 KB).
    if(name IN_LIST VFS_NO_EXCEPTION_LIBRARIES)
      target_compile_options(${name} PRIVATE -fno-exceptions -fno-asynchronous-unwind-tables)
    endif()
    if(name IN_LIST VFS_NO_EXCEPTION_LIBRARIES)
      target_compile_options(${name} PRIVATE -fno-threadsafe-statics)
    endif()
  endif()
  if(L_LIBS)
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  endif()
endfunction()

# vfs_module(NAME [LIBS ...]): the static library of one source folder, made of every .cpp in
# it. Files ending in _win32.cpp are Windows glue and only join the Windows build.
function(vfs_module name)
  cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT WIN32)
    list(FILTER srcs EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  vfs_library(${name} SOURCES ${srcs} LIBS ${M_LIBS})
endfunction()
