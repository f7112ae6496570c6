# Seeds for fuzz_arc_reader: small archives packed by zqarc from files of the source tree.
# Run with -DZQARC=<zqarc> -DOUT=<folder> -DSOURCE=<source tree>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-files)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(pack archive root)
    execute_process(COMMAND ${ZQARC} -C ${root} ${OUT}/${archive} ${ARGN} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqarc could not pack ${archive}")
    endif()
endfunction()

pack(one.arc ${SOURCE} README.md)
pack(two.arc ${SOURCE} .clang-format .editorconfig)
pack(headers.arc ${SOURCE} zq/file/ZqArcFile.h zq/file/ZqZlib.h zq/file/ZqFile.h)
pack(scripts.arc ${SOURCE} scripts/packages.txt scripts/dev.sh fuzz/CMakeLists.txt)
# Names of one character, an empty file and sizes around the 8-byte padding.
file(WRITE ${OUT}-files/e "")
file(WRITE ${OUT}-files/a "1234567")
file(WRITE ${OUT}-files/b "12345678")
file(WRITE ${OUT}-files/c "123456789")
pack(small.arc ${OUT}-files e a b c)
file(REMOVE_RECURSE ${OUT}-files)
