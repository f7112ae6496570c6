# Run by the platform_seam test: every probe target must fail to build with the seam's message.
foreach(probe ${PROBES})
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${probe}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(rc EQUAL 0)
        message(FATAL_ERROR "${probe}: a library header compiled outside zq/platform")
    endif()
    if(NOT out MATCHES "belongs to the platform layer")
        message(FATAL_ERROR "${probe} failed for another reason:\n${out}")
    endif()
    message(STATUS "${probe}: refused")
endforeach()
