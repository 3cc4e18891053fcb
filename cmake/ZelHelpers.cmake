# Shared build settings: warnings once, sanitizers once.

function(zel_set_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC 12 reports impossible overlaps inside std::basic_string::insert at
      # -O3 (GCC bug 105329); the warning says nothing about our code.
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(ZEL_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

function(zel_apply_sanitizers target)
  if(ZEL_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined
                           -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# Tests of one module folder: tests/<module>/*_test.cpp -> zel_<module>_tests.
function(zel_add_module_tests module)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${module}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(target zel_${module}_tests)
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE zel::zel zel_test_support GTest::gtest_main)
  zel_set_warnings(${target})
  zel_apply_sanitizers(${target})
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) every start is slow: the program runs once,
    # all its cases together, as the test <module>.
    add_test(NAME ${module} COMMAND ${target} --gtest_brief=1
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${module})
    set_tests_properties(${module} PROPERTIES LABELS ${module})
    zel_emulated_test(${module})
  else()
    gtest_discover_tests(${target}
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${module}
      PROPERTIES LABELS ${module}
      DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# ---- Windows programs under Wine ---------------------------------------------
# The tests of a Windows build run in one Wine session: a fresh prefix in the
# build folder and one wineserver for the whole run, started by the test
# wine.start and stopped by wine.stop (CTest fixtures), with HOME and the
# desktop's data folder (where Wine keeps its Recycle Bin) in the build folder
# too, so no test touches the user's own.
set(ZEL_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(ZEL_WINE_ENVIRONMENT
  WINEPREFIX=${ZEL_WINE_ROOT}/prefix
  WINEDEBUG=-all
  HOME=${ZEL_WINE_ROOT}/home
  XDG_DATA_HOME=${ZEL_WINE_ROOT}/home/.local/share)

# Makes `test` run inside the Wine session (once; a second call changes nothing).
function(zel_emulated_test test)
  get_property(defined GLOBAL PROPERTY ZEL_WINE_SESSION_DEFINED)
  if(NOT defined)
    set_property(GLOBAL PROPERTY ZEL_WINE_SESSION_DEFINED ON)
    add_test(NAME wine.start COMMAND sh ${PROJECT_SOURCE_DIR}/scripts/wine_session start)
    add_test(NAME wine.stop COMMAND sh ${PROJECT_SOURCE_DIR}/scripts/wine_session stop)
    set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine LABELS host
                         ENVIRONMENT "${ZEL_WINE_ENVIRONMENT}")
    set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine LABELS host
                         ENVIRONMENT "${ZEL_WINE_ENVIRONMENT}")
  endif()
  get_property(fixtures TEST ${test} PROPERTY FIXTURES_REQUIRED)
  if("wine" IN_LIST fixtures)
    return()
  endif()
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "${ZEL_WINE_ENVIRONMENT}")
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine)
endfunction()

# In a cross build, makes every test of the current folder run inside the Wine
# session: the programs CTest starts through the emulator, and the scripts
# that start them (tool tests, the package test). Tests labelled "host" run
# only host programs and stay outside. Called at the end of each folder that
# adds tests (CMake sets test properties only in the test's own folder).
function(zel_emulate_directory_tests)
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_property(labels TEST ${test} PROPERTY LABELS)
    if(NOT "host" IN_LIST labels)
      zel_emulated_test(${test})
    endif()
  endforeach()
endfunction()
