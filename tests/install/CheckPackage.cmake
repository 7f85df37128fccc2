# Installs the build into a scratch prefix and builds a host app against it with find_package(QOR);
# then the example host app (examples/host_app), which it runs once.
# The host app's build folder stays between runs: installing keeps the headers' times, so only the
# checks of changed headers compile again.
file(REMOVE_RECURSE ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK_DIR}/app -G Ninja
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the host app failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/app RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the host app failed")
endif()
execute_process(COMMAND ${WORK_DIR}/app/host_app OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "PROJECT:QOR-1")
  message(FATAL_ERROR "host app failed: ${rc} ${out}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${EXAMPLE} -B ${WORK_DIR}/example -G Ninja
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the example host app failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/example RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the example host app failed")
endif()
execute_process(COMMAND ${WORK_DIR}/example/host_app_example OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "ready for enrollment: true" OR NOT out MATCHES "enrollment finished with status")
  message(FATAL_ERROR "the example host app failed: ${rc} ${out}")
endif()
