# Compiler settings shared by every target of the project.
function(quenbrel_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  if(MSVC)
    # Beside MSVC's own stack cookies, ASLR and DEP: control-flow guard and shadow stacks.
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8 /guard:cf)
    target_link_options(${target} PRIVATE /guard:cf /CETCOMPAT)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
  endif()
endfunction()

# Links |target| to the Windows DLL |dll| (import library |library|), loaded at its first call
# rather than by the loader before the program starts: by then the program has said where DLLs
# come from (SetDefaultDllDirectories), while the loader looks beside the program first.
function(quenbrel_delay_load target library dll)
  if(MSVC)
    target_link_options(${target} PRIVATE /DELAYLOAD:${dll})
    target_link_libraries(${target} PRIVATE ${library} delayimp)
    return()
  endif()
  # MinGW: a delay-import library made with dlltool from the names the regular one exports.
  set(delayed ${CMAKE_BINARY_DIR}/delay_load/lib${library}_delay.a)
  if(NOT EXISTS ${delayed})
    find_library(QUENBREL_${library}_IMPORT_LIBRARY ${library} REQUIRED)
    execute_process(COMMAND ${CMAKE_NM} ${QUENBREL_${library}_IMPORT_LIBRARY}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" names "${symbols}")
    list(TRANSFORM names REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES names)
    list(JOIN names "\n" exports)
    file(WRITE ${delayed}.def "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${delayed}.def --dllname ${dll}
                            --output-delaylib ${delayed} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  target_link_libraries(${target} PRIVATE ${delayed})
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
