# Runs the demo with ARGS and checks that it exits with 0 and that its output matches every regular
# expression of EXPECT.
execute_process(COMMAND ${DEMO} ${ARGS} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message("${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the demo exited with ${rc}\n${err}")
endif()
foreach(expected ${EXPECT})
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "the demo's output lacks: ${expected}\n${err}")
  endif()
endforeach()
