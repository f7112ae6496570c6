# Seeds for fuzz_transition_script: scripts that zqtransition compiles from their text form.
# Run with -DZQTRANSITION=<zqtransition> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(write name text)
    file(WRITE ${OUT}-new/${name}.txt "${text}")
    execute_process(COMMAND ${ZQTRANSITION} ${OUT}-new/${name}.txt ${OUT}/${name}.zqst
                    RESULT_VARIABLE rc)
    file(REMOVE ${OUT}-new/${name}.txt)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqtransition could not write ${name}")
    endif()
endfunction()

write(empty "")
write(blank "screen\n")
write(menu "screen
colour FFFFFF00
locate 40 20
text \"Main menu\"
locate 40 next
jump 1
text \"Settings\"
locate 40 next
task 0 3 7 1 -1
text \"Run test\"
locate 40 next
jump -1
text \"Quit\"
default 1
cancel 2
screen
locate 10 10
text \"100% done\"
locate 10 next
jump 0
text \"Back\"
auto 0
")
write(tasks "screen
task 1 2 4 0 1 -1
text \"a\"
task 3 9 0
text \"b\"
task 2 0 0 0
text \"c\"
auto 0
screen
cancel 0
jump 0
text \"back\"
")
