# Seeds for fuzz_animation_file: animations that zqanim writes with tracks of every type, with
# and without frame tables. Run with -DZQANIM=<zqanim> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(write name text)
    file(WRITE ${OUT}-src/${name}.txt "${text}")
    execute_process(COMMAND ${ZQANIM} ${OUT}-src/${name}.txt ${OUT}/${name}.anim
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqanim could not write ${name}")
    endif()
endfunction()

write(every_type [=[
frames 30
fps 30
loop 1
parents -1 0 0 1
track 1 1 2 frames 0 30 values 0 0 0 1 0 0 0.7071 0.7071
track 28 2 3 values 0 0 0 1 0.5 0.5 0.5 0.5 0 1 0 0
track 29 3 2 frames 0 20 values 0 0 0 1 2 3
track 30 0 2 values 1 1 1 2 2 2
track 31 1 3 frames 0 5 30 values 10 20 30 11 21 31 12 22 32
track 4 -1 2 values 0 0 0 0 1 1 1 1
track 8 -1 2 values 0 1
track 10 2 2 values 1 1 1 1 2 2 2 2
]=])
write(once [=[
frames 10
fps 0
loop 0
parents -1
track 28 0 1 values 0 0 0 1
]=])
file(REMOVE_RECURSE ${OUT}-src)
