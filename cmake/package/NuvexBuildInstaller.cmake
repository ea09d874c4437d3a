# Runs `nuvexpack build` for nuvex_add_installer() and writes the depfile that makes the next
# build run it again when any file or folder below SOURCE changes. Folders are listed too:
# adding or removing a file changes its folder's time.
#   cmake -DNUVEXPACK= -DSCRIPT= -DSOURCE= -DSTUB= -DOUTPUT= -DDEPFILE= [-DOPTIONS_FILE=] -P this
# OPTIONS_FILE holds the builder's further arguments, one a line.
set(OPTIONS)
if(OPTIONS_FILE)
  file(STRINGS "${OPTIONS_FILE}" OPTIONS)
endif()
execute_process(
  COMMAND "${NUVEXPACK}" build "${SCRIPT}" -o "${OUTPUT}" --stub "${STUB}" --source "${SOURCE}"
          --quiet ${OPTIONS}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nuvexpack could not build ${OUTPUT}")
endif()

# Make's depfile syntax: a backslash before blanks and '#', '$' doubled.
function(escape path out)
  string(REPLACE "$" "$$" path "${path}")
  string(REPLACE " " "\\ " path "${path}")
  string(REPLACE "#" "\\#" path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE inputs LIST_DIRECTORIES true "${SOURCE}/*")
list(APPEND inputs "${SOURCE}")
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
escape("${OUTPUT}" target)
set(text "${target}:")
foreach(path IN LISTS inputs)
  # The package itself, and the folder it is written into, when they lie below SOURCE.
  if(path STREQUAL OUTPUT OR path STREQUAL output_dir)
    continue()
  endif()
  escape("${path}" path)
  string(APPEND text " \\\n  ${path}")
endforeach()
file(WRITE "${DEPFILE}" "${text}\n")
