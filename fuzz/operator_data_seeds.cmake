# Seeds for fuzz_operator_data (KIND operator_data) or fuzz_bookkeeping (KIND bookkeeping):
# pairs of copies that zqopdata writes (newer, older, damaged), each pair the e: copy followed
# by the f: copy. Run with -DZQOPDATA=<zqopdata> -DOUT=<folder> -DKIND=<kind>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-parts)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-parts)
if(KIND STREQUAL "operator_data")
    set(_what --settings)
elseif(KIND STREQUAL "bookkeeping")
    set(_what --bookkeeping)
else()
    message(FATAL_ERROR "KIND is operator_data or bookkeeping")
endif()

function(write name)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${ZQOPDATA} ${_what} ${ARGN}
                            ${OUT}-parts/${name}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqopdata could not write ${name}")
    endif()
endfunction()

function(pair name first second)
    execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${OUT}-parts/${first} ${OUT}-parts/${second}
                    OUTPUT_FILE ${OUT}/${name} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "could not pair ${first} and ${second}")
    endif()
endfunction()

write(new --time 1796904000)
write(old --time 1796800000)
write(damaged --damage --time 1796904000)
pair(new_old new old)
pair(old_new old new)
pair(damaged_old damaged old)
