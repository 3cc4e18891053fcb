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
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${module}
    PROPERTIES LABELS ${module}
    DISCOVERY_TIMEOUT 60)
endfunction()
