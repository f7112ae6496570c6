# Seeds for fuzz_image: DDS files that zqdds writes from a generated picture, in block and
# pixel formats, with and without mip chains, up to the size of a real texture.
# Run with -DZQDDS=<zqdds> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(seed name size format mips)
    execute_process(COMMAND ${ZQDDS} pattern:${size} ${OUT}/${name}.dds --format ${format}
                            --mips ${mips} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqdds could not write ${name}")
    endif()
endfunction()

seed(dxt1 16x8 dxt1 0)
seed(dxt3 8x8 dxt3 2)
seed(dxt5 12x4 dxt5 1)
seed(argb 4x4 argb 0)
seed(xrgb 3x5 xrgb 1)
seed(rgb 2x2 rgb 1)
seed(r5g6b5 4x2 r5g6b5 3)
seed(a1r5g5b5 2x4 a1r5g5b5 1)
seed(a4r4g4b4 1x1 a4r4g4b4 1)
seed(l8 8x1 l8 4)
seed(a8l8 2x2 a8l8 2)
seed(a8 4x4 a8 1)
seed(abgr 2x1 abgr 1)
seed(large_argb 256x256 argb 0)
seed(large_dxt5 256x128 dxt5 0)
