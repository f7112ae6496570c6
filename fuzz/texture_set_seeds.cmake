# Seeds for fuzz_texture_set: texture sets that zqtexset writes from their text form. Run with
# -DZQTEXSET=<zqtexset> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(write name text)
    file(WRITE ${OUT}-new/${name}.txt "${text}")
    execute_process(COMMAND ${ZQTEXSET} ${OUT}-new/${name}.txt ${OUT}/${name}.zqts
                    RESULT_VARIABLE rc)
    file(REMOVE ${OUT}-new/${name}.txt)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqtexset could not write ${name}")
    endif()
endfunction()

write(empty "")
write(one "a.dds\n")
write(shared "body_a.dds face_a.dds hair.dds\nbody_b.dds face_b.dds hair.dds\n")
write(wide "t0.png t1.png t2.png t3.png t4.png t5.png t6.png t7.png\n")
