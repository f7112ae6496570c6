# Included by tests/CMakeLists.txt in a build with ZQ_FUZZ: every libFuzzer target runs for a
# few seconds over seeds that our own writers make. The environment variable ZQ_FUZZ_SECONDS,
# read when the test runs, overrides the setting of the same name.
set(_corpus ${CMAKE_BINARY_DIR}/fuzz-corpus)
set(ZQ_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs in the test suite")
# Runs a fuzz target with the leak check on and the time limit of the moment.
set(_fuzz_run ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 sh -c
    "exec \"$@\" -max_total_time=\${ZQ_FUZZ_SECONDS:-${ZQ_FUZZ_SECONDS}}" fuzz)

# zq_fuzz_test(<name> [TOOL <variable> <tool>] [SEEDS <seeds>] [SCRIPT <script>] [SOURCE]
#              [ARGS <option>...])
# Runs fuzz_<name> (fuzz/<name>.cpp) as the test fuzz.<name>; what it finds goes to
# <corpus>/<name>-new. Its inputs:
# - with TOOL, the seeds that fuzz/<script>_seeds.cmake writes with the writer program <tool>
#   (handed over as -D<variable>=...) into <corpus>/<seeds>, a test fuzz.<seeds>.seeds run
#   first; SEEDS (default <name>) lets targets share one seeds step, SCRIPT (default <seeds>)
#   one script; SOURCE hands the script the source tree; the script also gets -DKIND=<name>;
# - the seeds kept in fuzz/seeds/<name>, when that folder exists.
# ARGS are further libFuzzer options.
function(zq_fuzz_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "SOURCE" "SEEDS;SCRIPT" "TOOL;ARGS")
    if(NOT arg_SEEDS)
        set(arg_SEEDS ${name})
    endif()
    if(NOT arg_SCRIPT)
        set(arg_SCRIPT ${arg_SEEDS})
    endif()
    file(MAKE_DIRECTORY ${_corpus}/${name}-new)
    set(inputs)
    set(fixture)
    if(arg_TOOL)
        list(GET arg_TOOL 0 variable)
        list(GET arg_TOOL 1 tool)
        set(inputs ${_corpus}/${arg_SEEDS})
        set(fixture ${arg_SEEDS}_seeds)
        if(NOT TEST fuzz.${arg_SEEDS}.seeds)
            set(source)
            if(arg_SOURCE)
                set(source -DSOURCE=${PROJECT_SOURCE_DIR})
            endif()
            add_test(NAME fuzz.${arg_SEEDS}.seeds
                     COMMAND ${CMAKE_COMMAND} -D${variable}=$<TARGET_FILE:${tool}>
                             -DOUT=${_corpus}/${arg_SEEDS} -DKIND=${name} ${source}
                             -P ${PROJECT_SOURCE_DIR}/fuzz/${arg_SCRIPT}_seeds.cmake)
            set_tests_properties(fuzz.${arg_SEEDS}.seeds PROPERTIES FIXTURES_SETUP ${fixture}
                                 TIMEOUT 300)
        endif()
    endif()
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/fuzz/seeds/${name})
        list(APPEND inputs ${PROJECT_SOURCE_DIR}/fuzz/seeds/${name})
    endif()
    add_test(NAME fuzz.${name}
             COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_${name}> -timeout=10 -rss_limit_mb=2048
                     -print_final_stats=1 ${arg_ARGS} ${_corpus}/${name}-new ${inputs})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120)
    if(fixture)
        set_tests_properties(fuzz.${name} PROPERTIES FIXTURES_REQUIRED ${fixture})
    endif()
endfunction()

# The archive reader: archives the writer packs from files of this tree.
zq_fuzz_test(arc_reader TOOL ZQARC zqarc SOURCE)
# XML loading, the path-list reader, the virtual-input layout loader, the sound-list reader and
# the serial node packet checker, over the seeds kept in fuzz/seeds (the packet seeds are
# replies built with the packet builder).
foreach(_target xml_load path_list vinput_layout sound_list sci_packet)
    zq_fuzz_test(${_target})
endforeach()
# The effect container reader: effects that the effect compiler makes.
zq_fuzz_test(effect_file TOOL ZQFXC zqfxc SOURCE)
# The image service: DDS files of every format that zqdds writes from a generated picture, and
# the PNG files kept in fuzz/seeds. Inputs may grow to the size of real texture files.
zq_fuzz_test(image TOOL ZQDDS zqdds ARGS -max_len=1048576)
# The enciphered container reader: files that zqcipher enciphers with the target's key.
zq_fuzz_test(cipher_file TOOL ZQCIPHER zqcipher SOURCE)
# The sound-file reader and the ADPCM decoder: files that the sound writer makes.
zq_fuzz_test(sound_file TOOL ZQSOUND zqsound)
# The layout reader and player: layouts that the layout writer makes.
zq_fuzz_test(dld_file TOOL ZQDLD zqdld)
# The particle engine: effect descriptions and texture lists that the particle writer makes,
# for the emitter (records run for a few hundred steps) and both file readers.
foreach(_target particle_emitter particle_pmd particle_pmt)
    zq_fuzz_test(${_target} TOOL ZQPM zqpm SEEDS particle SOURCE)
endforeach()
# The texture-set reader: sets that zqtexset writes from their text form.
zq_fuzz_test(texture_set TOOL ZQTEXSET zqtexset)
# The model file reader and the animation container's readers (skeletal, camera path, texture
# animation): files that the model and animation writers make.
zq_fuzz_test(model_file TOOL ZQMODEL zqmodel)
foreach(_target animation_file camera_animation_file texture_animation_file)
    zq_fuzz_test(${_target} TOOL ZQANIM zqanim)
endforeach()
# The operator data store and the bookkeeping: pairs of copies that zqopdata writes.
foreach(_target operator_data bookkeeping)
    zq_fuzz_test(${_target} TOOL ZQOPDATA zqopdata SCRIPT operator_data)
endforeach()
# The recorded-input reader: recordings that the recording writer makes.
zq_fuzz_test(btn_file TOOL ZQBTN zqbtn)
# The collision-set loader: data that zqcoll writes from its text form.
zq_fuzz_test(collision_set TOOL ZQCOLL zqcoll)
# The screen-transition player: scripts that zqtransition compiles from their text form.
zq_fuzz_test(transition_script TOOL ZQTRANSITION zqtransition)
# The URL splitter, the zlib inflater and the registry file reader, over the seeds kept in
# fuzz/seeds.
foreach(_target http_url zlib_inflate registry_file)
    zq_fuzz_test(${_target})
endforeach()

# The ranking client's reply handling: the local ranking server's images and their streams.
zq_fuzz_test(ranking_reply TOOL ZQRANKSERVER zqrankserver ARGS -max_len=80000)
