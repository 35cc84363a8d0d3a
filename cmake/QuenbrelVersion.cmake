# The names every program and the installer carry; the version itself is the project's.
set(QUENBREL_PRODUCT_NAME "Quenbrel")
set(QUENBREL_COMPANY "Quenbrel")
set(QUENBREL_COPYRIGHT "Copyright (C) 2026 Quenbrel")

# Gives |target| a version resource (resources/version.rc) with |description| and the project's
# version, or VERSION x.y.z. The values go into a header of the target's own, quenbrel_version.h,
# which the program's code may read too (QUENBREL_VERSION_TEXT).
function(quenbrel_version_resource target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "VERSION" "")
  if(NOT arg_VERSION)
    set(arg_VERSION ${PROJECT_VERSION})
  endif()
  if(NOT arg_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "${target}: version ${arg_VERSION} is not x.y.z")
  endif()
  set(numbers "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(dir ${CMAKE_BINARY_DIR}/version/${target})
  file(CONFIGURE OUTPUT ${dir}/quenbrel_version.h @ONLY CONTENT
"// Written by the build (cmake/QuenbrelVersion.cmake) for ${target}.
#define QUENBREL_VERSION_TEXT \"${arg_VERSION}\"
#define QUENBREL_VERSION_NUMBERS ${numbers}
#define QUENBREL_PRODUCT_NAME \"${QUENBREL_PRODUCT_NAME}\"
#define QUENBREL_COMPANY \"${QUENBREL_COMPANY}\"
#define QUENBREL_COPYRIGHT \"${QUENBREL_COPYRIGHT}\"
#define QUENBREL_FILE_DESCRIPTION \"${description}\"
#define QUENBREL_INTERNAL_NAME \"${name}\"
#define QUENBREL_ORIGINAL_FILENAME \"${name}.exe\"
")
  set_property(TARGET ${target} PROPERTY QUENBREL_DESCRIPTION ${description})
  set(script ${PROJECT_SOURCE_DIR}/resources/version.rc)
  target_sources(${target} PRIVATE ${script})
  target_include_directories(${target} PRIVATE ${dir})
  # Neither resource compiler reports what a script includes: rebuild when the header changes.
  set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS ${dir}/quenbrel_version.h)
endfunction()

# |original| built again from its own sources and libraries as |name|, with the version resource
# of |version|: the newer release of the upgrade case, without building everything twice.
function(quenbrel_restamped name original version)
  get_target_property(dir ${original} SOURCE_DIR)
  get_target_property(sources ${original} SOURCES)
  list(FILTER sources EXCLUDE REGEX "/resources/version\\.rc$")
  list(TRANSFORM sources REPLACE "^([^/].*)$" "${dir}/\\1")
  add_executable(${name} ${sources})
  foreach(property LINK_LIBRARIES LINK_OPTIONS COMPILE_DEFINITIONS COMPILE_OPTIONS
                   COMPILE_FEATURES WIN32_EXECUTABLE)
    get_target_property(value ${original} ${property})
    if(value)
      set_property(TARGET ${name} PROPERTY ${property} ${value})
    endif()
  endforeach()
  get_target_property(includes ${original} INCLUDE_DIRECTORIES)
  list(REMOVE_ITEM includes ${CMAKE_BINARY_DIR}/version/${original})
  get_target_property(description ${original} QUENBREL_DESCRIPTION)
  set_target_properties(${name} PROPERTIES INCLUDE_DIRECTORIES "${includes}" OUTPUT_NAME ${original}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${version})
  quenbrel_version_resource(${name} "${description}" VERSION ${version})
endfunction()
