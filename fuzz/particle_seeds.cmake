# Seeds for the particle fuzz targets: the writer's sampler description and two small ones.
# Run with -DZQPM=<zqpm> -DOUT=<folder> -DSOURCE=<source tree>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new)

function(write source)
    execute_process(COMMAND ${ZQPM} ${source} ${OUT} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqpm could not write ${source}")
    endif()
endfunction()

write(${SOURCE}/tools/particle/examples/sampler.txt)
file(WRITE ${OUT}-new/small.txt [=[
pmt small.pmt
texture a.png
pmd small.pmd
texlist small.pmt
emitter
  count 3
  kind 1
  lineOrient 4
emitter
  kind 2
  modelShape 3
]=])
write(${OUT}-new/small.txt)
file(REMOVE ${OUT}-new/small.txt)
