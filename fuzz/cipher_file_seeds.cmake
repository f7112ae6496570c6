# Seeds for fuzz_cipher_file: files of this tree and sizes around the block and piece
# boundaries, enciphered by zqcipher with every cipher and mode under the target's key.
# Run with -DZQCIPHER=<zqcipher> -DOUT=<folder> -DSOURCE=<source tree>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-files)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-files)

# "fuzz key 0123456"
set(KEY 66757a7a206b65792030313233343536)

file(WRITE ${OUT}-files/empty "")
file(WRITE ${OUT}-files/one "x")
file(WRITE ${OUT}-files/block "0123456789abcdef")
file(WRITE ${OUT}-files/block1 "0123456789abcdefg")
# Line ends for the line reader.
file(WRITE ${OUT}-files/lines.txt "line\r\n\ntwo\r\rthree\n")
set(inputs ${OUT}-files/empty ${OUT}-files/one ${OUT}-files/block ${OUT}-files/block1
           ${OUT}-files/lines.txt ${SOURCE}/README.md ${SOURCE}/zq/file/ZqFile.h)

foreach(type aes blowfish camellia)
    foreach(mode ecb cbc)
        foreach(input ${inputs})
            get_filename_component(base ${input} NAME)
            execute_process(COMMAND ${ZQCIPHER} -t ${type} -m ${mode} -k ${KEY} ${input}
                                    ${OUT}/${type}-${mode}-${base}
                            RESULT_VARIABLE rc)
            if(NOT rc EQUAL 0)
                message(FATAL_ERROR "zqcipher could not encipher ${input}")
            endif()
        endforeach()
    endforeach()
endforeach()
file(REMOVE_RECURSE ${OUT}-files)
