# CMake package of the Nuvex tools: find_package(Nuvex) gives
#
#   Nuvex::nuvexpack      the package builder (an imported executable)
#   NUVEX_STUB            the installer stub nuvex.exe
#   nuvex_add_installer(NAME SCRIPT script.ini OUTPUT setup.exe
#                       [SOURCE dir] [STUB nuvex.exe] [DEPENDS target-or-file...]
#                       [OPTIONS builder-option...] [NO_STRICT] [EXCLUDE_FROM_ALL])
#
# See docs/cmake.md.

get_filename_component(_nuvex_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(NUVEX_STUB "${_nuvex_prefix}/lib/nuvex/nuvex.exe")
set(_nuvex_pack "${_nuvex_prefix}/lib/nuvex/nuvexpack")
set(_nuvex_build_script "${CMAKE_CURRENT_LIST_DIR}/NuvexBuildInstaller.cmake")

foreach(_nuvex_file IN ITEMS "${_nuvex_pack}" "${NUVEX_STUB}")
  if(NOT EXISTS "${_nuvex_file}")
    set(Nuvex_FOUND FALSE)
    set(Nuvex_NOT_FOUND_MESSAGE "${_nuvex_file} is missing from the Nuvex installation")
    return()
  endif()
endforeach()

if(NOT TARGET Nuvex::nuvexpack)
  add_executable(Nuvex::nuvexpack IMPORTED)
  set_target_properties(Nuvex::nuvexpack PROPERTIES IMPORTED_LOCATION "${_nuvex_pack}")
endif()

# Builds OUTPUT from SCRIPT and the files below SOURCE (default: the script's folder) with
# the stub STUB (default: the installed one) every time the script, the stub, the builder or
# any file or folder below SOURCE changes. DEPENDS names targets of the product (they are
# built first, and their outputs are dependencies) or further files. OPTIONS go to
# `nuvexpack build` as they are, one argument each (--level 9, --zlib, --jobs 2...). The
# builder runs with --strict, so that a warning fails the build, unless NO_STRICT is given.
# A target NAME builds the installer; it is part of `all` unless EXCLUDE_FROM_ALL is given.
#
# Relative SCRIPT, SOURCE and STUB are taken from the current source folder, a relative
# OUTPUT from the current binary folder.
function(nuvex_add_installer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "EXCLUDE_FROM_ALL;NO_STRICT" "SCRIPT;SOURCE;OUTPUT;STUB"
                        "DEPENDS;OPTIONS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "nuvex_add_installer(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  foreach(required SCRIPT OUTPUT)
    if(NOT arg_${required})
      message(FATAL_ERROR "nuvex_add_installer(${name}): ${required} is required")
    endif()
  endforeach()
  get_filename_component(script "${arg_SCRIPT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  if(arg_SOURCE)
    get_filename_component(source "${arg_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  else()
    get_filename_component(source "${script}" DIRECTORY)
  endif()
  if(arg_STUB)
    get_filename_component(stub "${arg_STUB}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  else()
    set(stub "${NUVEX_STUB}")
  endif()
  # The list of source files is known only once the product is staged, at build time; the
  # helper writes it into a depfile for the next build.
  set(depfile "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${name}.nuvex.d")
  # The options go through a file, one a line: a list on the helper's command line would
  # arrive as one argument with its separators in it.
  set(options ${arg_OPTIONS})
  if(NOT arg_NO_STRICT)
    list(PREPEND options --strict)
  endif()
  set(options_file "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${name}.nuvex.options")
  list(JOIN options "\n" options_text)
  file(GENERATE OUTPUT "${options_file}" CONTENT "${options_text}\n")
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" "-DNUVEXPACK=$<TARGET_FILE:Nuvex::nuvexpack>"
            "-DSCRIPT=${script}" "-DSOURCE=${source}" "-DSTUB=${stub}" "-DOUTPUT=${output}"
            "-DDEPFILE=${depfile}" "-DOPTIONS_FILE=${options_file}" -P "${_nuvex_build_script}"
    DEPENDS "${script}" "${stub}" "${options_file}" Nuvex::nuvexpack ${arg_DEPENDS}
    DEPFILE "${depfile}"
    COMMENT "Building the installer ${arg_OUTPUT}"
    VERBATIM)
  if(arg_EXCLUDE_FROM_ALL)
    add_custom_target(${name} DEPENDS "${output}")
  else()
    add_custom_target(${name} ALL DEPENDS "${output}")
  endif()
  foreach(dep IN LISTS arg_DEPENDS)
    if(TARGET ${dep})
      add_dependencies(${name} ${dep})
    endif()
  endforeach()
endfunction()

set(Nuvex_FOUND TRUE)
