# Fails when DOC differs from what GENERATOR writes now.
execute_process(COMMAND "${GENERATOR}" OUTPUT_VARIABLE generated RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed")
endif()
file(READ "${DOC}" current)
if(NOT generated STREQUAL current)
  message(FATAL_ERROR "${DOC} is out of date: cmake --build build/host --target script_reference_doc")
endif()
