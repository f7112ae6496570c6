# Seeds for fuzz_camera_animation_file: camera paths that zqanim --camera writes, with and without
# frame tables and one-frame cuts. Run with -DZQANIM=<zqanim> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(write name text)
    file(WRITE ${OUT}-src/${name}.txt "${text}")
    execute_process(COMMAND ${ZQANIM} --camera ${OUT}-src/${name}.txt ${OUT}/${name}.cam
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqanim could not write ${name}")
    endif()
endfunction()

write(pan [=[
frames 30
fps 60
loop 1
track 0 4 frames 0 10 11 20 values 0 0 0 1 0 0.2 0 0.98 0.5 0.2 0 0.84 0.5 0.4 0 0.77
track 1 2 frames 0 20 values 0 1 10 1 4 1 2 1
track 2 2 values 45 60
track 3 1 values 1
track 4 2 frames 0 30 values 100 400
track 5 1 values 1.5
]=])
write(still [=[
frames 1
fps 0
loop 0
track 0 1 values 0 0 0 1
track 1 1 values 0 0 0 1
track 2 1 values 30
track 3 1 values 2
track 4 1 values 50
track 5 1 values 1.333
]=])
file(REMOVE_RECURSE ${OUT}-src)
