# Makes the LZMA package of lzma_install_tests with the host's nuvexpack: the sample product
# and the bare installer itself, a real PE for the branch filter, from one source folder.
#   cmake -DNUVEXPACK=... -DSTUB=... -DSAMPLE=... -DSCRIPT=... -DOUT=... -P lzma_package.cmake
get_filename_component(dir "${OUT}" DIRECTORY)
file(REMOVE_RECURSE "${dir}/src")
file(COPY "${SAMPLE}/product/" DESTINATION "${dir}/src")
file(COPY "${STUB}" DESTINATION "${dir}/src")
execute_process(COMMAND "${NUVEXPACK}" build "${SCRIPT}" --source "${dir}/src" --stub "${STUB}"
                        -o "${OUT}" --compression lzma --quiet
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nuvexpack could not build ${OUT}")
endif()
