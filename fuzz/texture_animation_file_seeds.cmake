# Seeds for fuzz_texture_animation_file: texture animations that zqanim --texture writes, with
# and without frame tables, every value kind and several sub-animations. Run with
# -DZQANIM=<zqanim> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(write name text)
    file(WRITE ${OUT}-src/${name}.txt "${text}")
    execute_process(COMMAND ${ZQANIM} --texture ${OUT}-src/${name}.txt ${OUT}/${name}.tex
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqanim could not write ${name}")
    endif()
endfunction()

write(scroll [=[
frames 60
fps 30
loop 1
material water
material sky
track 0 0 3 frames 0 30 59 values 0 0.5 1
track 1 0 2 values 0 0.25
track 4 1 4 frames 0 10 20 59 values 0 1.57 3.14 6.28
]=])
write(scale [=[
frames 20
fps 0
loop 0
material flag
track 2 0 2 frames 0 19 values 1 2
track 3 0 1 values 0.5
]=])
write(empty [=[
frames 1
fps 60
material none
]=])
file(REMOVE_RECURSE ${OUT}-src)
