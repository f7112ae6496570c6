# Seeds for fuzz_ranking_reply: the local ranking server's images (empty, and filled with
# sample entries), raw and as the replies that carry their streams. Run with
# -DZQRANKSERVER=<zqrankserver> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-state)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-state)
execute_process(COMMAND ${ZQRANKSERVER} --state ${OUT}-state --seeds ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "zqrankserver could not write the seeds")
endif()
file(REMOVE_RECURSE ${OUT}-state)
