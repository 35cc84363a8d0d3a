# Compiler settings shared by every target of the project.
function(quenbrel_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
  endif()
endfunction()

# A GoogleTest program registered with ctest (run under Wine in the Windows build).
function(quenbrel_test name)
  add_executable(${name} ${ARGN})
  quenbrel_defaults(${name})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# A libFuzzer target (fuzz build only) on the given libraries; tools/fuzz runs every *_fuzzer.
function(quenbrel_fuzzer name source)
  add_executable(${name} ${source})
  quenbrel_defaults(${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARGN})
endfunction()
