# Seeds for fuzz_sound_file: sound files that zqsound writes in every encoding, with and without
# a loop region. Run with -DZQSOUND=<zqsound> -DOUT=<folder>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(write name)
    execute_process(COMMAND ${ZQSOUND} ${ARGN} ${OUT}/${name}.sound RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqsound could not write ${name}")
    endif()
endfunction()

write(pcm8 --pcm8 --tone 440 0.02 8000 1)
write(pcm16 --pcm16 --loop 3 40 100 --tone 440 0.02 22050 2)
write(adpcm_mono --adpcm --block 64 --loop 255 0 0 --tone 300 0.05 11025 1)
write(adpcm_stereo --adpcm --block 128 --loop 2 100 300 --tone 300 0.05 11025 2)
write(wma --wma --block 929 --loop 1 0 0 --tone 440 0.1 22050 1)
