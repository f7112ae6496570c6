# Seeds for fuzz_collision_set: collision data that zqcoll writes from its text form, every
# figure kind, parents and frames. Run with -DZQCOLL=<zqcoll> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(write name text)
    file(WRITE ${OUT}-new/${name}.txt "${text}")
    execute_process(COMMAND ${ZQCOLL} ${OUT}-new/${name}.txt ${OUT}/${name}.col
                    RESULT_VARIABLE rc)
    file(REMOVE ${OUT}-new/${name}.txt)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqcoll could not write ${name}")
    endif()
endfunction()

write(empty "")
write(kinds [=[
pt point 1 2 3
seg segment 0 0 0 1 0 0
ray ray 0 0 0 0 3 0
ln line 1 0 0 1 0 4
pl plane 0 2 0 -5
hs halfspace 0 0 3 1
sp sphere 1 1 1 0.5
ab aabb 0 0 0 1 2 3
ob obb 1 0 0 0 1 0 0 0 1 5 6 7 1 1 1
tr triangle 0 0 0 1 0 0 0 1 0
pg polygon 0 0 0 1 0 0 1 1 0 0 1 0
cp capsule 0 0 0 0 1 0 0.25
]=])
write(frames [=[
body obb 1 0 0 0 1 0 0 0 1 0 1 0 0.3 0.5 0.2 at 0 1 0 rot 0 0.3826834 0 0.9238795
arm capsule 0 0 0 0.6 0 0 0.1 parent body at 0.3 0.4 0 rot 0 0 0.7071068 0.7071068
hand sphere 0.1 0 0 0.08 parent arm
floor plane 0 1 0 0
]=])
