# Seeds for fuzz_dld_file: layouts that zqdld writes: nested, clipping and blending layers,
# shared key tracks, a cell without texture, a layer of no frames. Run with -DZQDLD=<zqdld>
# -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(write name text)
    file(WRITE ${OUT}-src/${name}.txt "${text}")
    execute_process(COMMAND ${ZQDLD} ${OUT}-src/${name}.txt ${OUT}/${name}.dld RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqdld could not write ${name}")
    endif()
endfunction()

write(single [=[
textures 1
cell 0 0 0 16 16
layer 32 32 60 30
track cell 0 0 30 0 - - - - -
]=])
write(nested [=[
version 0x0306
textures 2
cell 0 0 0 16 16
cell 1 4 4 8 8
cell - 0 0 9 9
layer 64 48 60 60 clip
track cell 0 0 60 1 0 1 2 3 4
track layer 1 10 50 2 0 - - 3 -
track cell 2 0 60 0 - - - - -
layer 16 16 30 20 clip
track cell 1 0 20 3 - 1 2 - 4
layer 8 8 1000 0
track layer 0 0 1 0 - - - - -
keys pos 0:0,0 10:20,-5 20:40,10
keys scale 0:100,100 15:250,50
keys rot 0:0 5:270 30:-720
keys alpha 0:0 4:255 8:300
keys pivot 0:8,8
]=])
file(REMOVE_RECURSE ${OUT}-src)
