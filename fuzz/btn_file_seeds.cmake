# Seeds for fuzz_btn_file: recordings that zqbtn writes: empty, a short play with taps and a
# hold, a long run of frame times, events sharing a time. Run with -DZQBTN=<zqbtn>
# -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(write name text)
    file(WRITE ${OUT}-src/${name}.txt "${text}")
    execute_process(COMMAND ${ZQBTN} ${OUT}-src/${name}.txt ${OUT}/${name}.btn RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqbtn could not write ${name}")
    endif()
endfunction()

write(empty [=[
]=])
write(play [=[
seed 5489
frames 16 17 16 17 0 2000
buttons 0 1 2 31
on 16 0
off 33 0
on 50 2 1
off 400.5 2
off 1000 1
on 1000 31
]=])
write(frames [=[
seed 1
frames 200*16 3*1 40*33
buttons 2
on 0 2
off 16 2
on 16 2
]=])
file(REMOVE_RECURSE ${OUT}-src)
