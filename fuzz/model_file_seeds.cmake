# Seeds for fuzz_model_file: the sample skinned model and a textured OBJ prop that zqmodel
# writes. Run with -DZQMODEL=<zqmodel> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(run name)
    execute_process(COMMAND ${ZQMODEL} ${ARGN} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqmodel could not write ${name}")
    endif()
endfunction()

run(sample sample ${OUT}/sample.model)
file(WRITE ${OUT}-src/crate.obj [=[
v -1 0 -1
v 1 0 -1
v 1 2 -1
v -1 2 -1
v -1 0 1
v 1 0 1
v 1 2 1
v -1 2 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 -1
vn 0 0 1
f 1/1/1 2/2/1 3/3/1 4/4/1
f 5/1/2 6/2/2 7/3/2 8/4/2
f 1/1 5/2 8/3 4/4
]=])
run(crate obj ${OUT}-src/crate.obj ${OUT}/crate.model crate.dds)
file(REMOVE_RECURSE ${OUT}-src)
