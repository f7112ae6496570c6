# Seeds for fuzz_operator_data and fuzz_bookkeeping: pairs of copies that zqopdata writes
# (newer, older, damaged), each pair the e: copy followed by the f: copy. Run with
# -DZQOPDATA=<zqopdata> -DOUT=<folder> (seeds go to OUT/operator_data and OUT/bookkeeping).
foreach(_kind operator_data bookkeeping)
    file(REMOVE_RECURSE ${OUT}/${_kind} ${OUT}/${_kind}-new)
    file(MAKE_DIRECTORY ${OUT}/${_kind} ${OUT}/${_kind}-new ${OUT}/${_kind}-parts)
endforeach()

function(write kind name)
    if(kind STREQUAL "operator_data")
        set(_what --settings)
    else()
        set(_what --bookkeeping)
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${ZQOPDATA} ${_what} ${ARGN}
                            ${OUT}/${kind}-parts/${name}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqopdata could not write ${name}")
    endif()
endfunction()

function(pair kind name first second)
    execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${OUT}/${kind}-parts/${first}
                            ${OUT}/${kind}-parts/${second}
                    OUTPUT_FILE ${OUT}/${kind}/${name} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "could not pair ${first} and ${second}")
    endif()
endfunction()

foreach(_kind operator_data bookkeeping)
    write(${_kind} new --time 1796904000)
    write(${_kind} old --time 1796800000)
    write(${_kind} damaged --damage --time 1796904000)
    pair(${_kind} new_old new old)
    pair(${_kind} old_new old new)
    pair(${_kind} damaged_old damaged old)
endforeach()
