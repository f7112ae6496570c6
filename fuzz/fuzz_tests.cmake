# Included by tests/CMakeLists.txt in a build with ZQ_FUZZ: every libFuzzer target runs for a
# few seconds over seeds that our own writers make. The environment variable ZQ_FUZZ_SECONDS,
# read when the test runs, overrides the setting of the same name.
set(_corpus ${CMAKE_BINARY_DIR}/fuzz-corpus)
set(ZQ_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs in the test suite")
# Runs a fuzz target with the leak check on and the time limit of the moment.
set(_fuzz_run ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 sh -c
    "exec \"$@\" -max_total_time=\${ZQ_FUZZ_SECONDS:-${ZQ_FUZZ_SECONDS}}" fuzz)

# The archive reader: archives the writer packs from files of this tree.
add_test(NAME fuzz.arc_reader.seeds
         COMMAND ${CMAKE_COMMAND} -DZQARC=$<TARGET_FILE:zqarc> -DOUT=${_corpus}/arc_reader
                 -DSOURCE=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/fuzz/arc_reader_seeds.cmake)
set_tests_properties(fuzz.arc_reader.seeds PROPERTIES FIXTURES_SETUP arc_reader_seeds TIMEOUT 300)
add_test(NAME fuzz.arc_reader
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_arc_reader> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/arc_reader-new
                 ${_corpus}/arc_reader)
set_tests_properties(fuzz.arc_reader PROPERTIES FIXTURES_REQUIRED arc_reader_seeds TIMEOUT 120)

# XML loading, the path-list reader, the virtual-input layout loader, the sound-list reader and
# the serial node packet checker, over the seeds kept in fuzz/seeds (the packet seeds are
# replies built with the packet builder).
foreach(_target xml_load path_list vinput_layout sound_list sci_packet)
    file(MAKE_DIRECTORY ${_corpus}/${_target})
    add_test(NAME fuzz.${_target}
             COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_${_target}> -timeout=10
                     -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/${_target}
                     ${PROJECT_SOURCE_DIR}/fuzz/seeds/${_target})
    set_tests_properties(fuzz.${_target} PROPERTIES TIMEOUT 120)
endforeach()

# The effect container reader: effects that the effect compiler makes.
add_test(NAME fuzz.effect_file.seeds
         COMMAND ${CMAKE_COMMAND} -DZQFXC=$<TARGET_FILE:zqfxc> -DOUT=${_corpus}/effect_file
                 -DSOURCE=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/fuzz/effect_file_seeds.cmake)
set_tests_properties(fuzz.effect_file.seeds PROPERTIES FIXTURES_SETUP effect_file_seeds TIMEOUT 300)
add_test(NAME fuzz.effect_file
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_effect_file> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/effect_file-new
                 ${_corpus}/effect_file)
set_tests_properties(fuzz.effect_file PROPERTIES FIXTURES_REQUIRED effect_file_seeds TIMEOUT 120)

# The image service: DDS files of every format that zqdds writes from a generated picture, and
# the PNG files kept in fuzz/seeds. Inputs may grow to the size of real texture files.
add_test(NAME fuzz.image.seeds
         COMMAND ${CMAKE_COMMAND} -DZQDDS=$<TARGET_FILE:zqdds> -DOUT=${_corpus}/image
                 -P ${PROJECT_SOURCE_DIR}/fuzz/image_seeds.cmake)
set_tests_properties(fuzz.image.seeds PROPERTIES FIXTURES_SETUP image_seeds TIMEOUT 300)
add_test(NAME fuzz.image
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_image> -timeout=10 -max_len=1048576
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/image-new ${_corpus}/image
                 ${PROJECT_SOURCE_DIR}/fuzz/seeds/image)
set_tests_properties(fuzz.image PROPERTIES FIXTURES_REQUIRED image_seeds TIMEOUT 120)

# The enciphered container reader: files that zqcipher enciphers with the target's key.
add_test(NAME fuzz.cipher_file.seeds
         COMMAND ${CMAKE_COMMAND} -DZQCIPHER=$<TARGET_FILE:zqcipher> -DOUT=${_corpus}/cipher_file
                 -DSOURCE=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/fuzz/cipher_file_seeds.cmake)
set_tests_properties(fuzz.cipher_file.seeds PROPERTIES FIXTURES_SETUP cipher_file_seeds TIMEOUT 300)
add_test(NAME fuzz.cipher_file
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_cipher_file> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/cipher_file-new
                 ${_corpus}/cipher_file)
set_tests_properties(fuzz.cipher_file PROPERTIES FIXTURES_REQUIRED cipher_file_seeds TIMEOUT 120)

# The sound-file reader and the ADPCM decoder: files that the sound writer makes.
add_test(NAME fuzz.sound_file.seeds
         COMMAND ${CMAKE_COMMAND} -DZQSOUND=$<TARGET_FILE:zqsound> -DOUT=${_corpus}/sound_file
                 -P ${PROJECT_SOURCE_DIR}/fuzz/sound_file_seeds.cmake)
set_tests_properties(fuzz.sound_file.seeds PROPERTIES FIXTURES_SETUP sound_file_seeds TIMEOUT 300)
add_test(NAME fuzz.sound_file
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_sound_file> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/sound_file-new
                 ${_corpus}/sound_file)
set_tests_properties(fuzz.sound_file PROPERTIES FIXTURES_REQUIRED sound_file_seeds TIMEOUT 120)

# The layout reader and player: layouts that the layout writer makes.
add_test(NAME fuzz.dld_file.seeds
         COMMAND ${CMAKE_COMMAND} -DZQDLD=$<TARGET_FILE:zqdld> -DOUT=${_corpus}/dld_file
                 -P ${PROJECT_SOURCE_DIR}/fuzz/dld_file_seeds.cmake)
set_tests_properties(fuzz.dld_file.seeds PROPERTIES FIXTURES_SETUP dld_file_seeds TIMEOUT 300)
add_test(NAME fuzz.dld_file
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_dld_file> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/dld_file-new
                 ${_corpus}/dld_file)
set_tests_properties(fuzz.dld_file PROPERTIES FIXTURES_REQUIRED dld_file_seeds TIMEOUT 120)

# The particle engine: effect descriptions and texture lists that the particle writer makes,
# for the emitter (records run for a few hundred steps) and both file readers.
add_test(NAME fuzz.particle.seeds
         COMMAND ${CMAKE_COMMAND} -DZQPM=$<TARGET_FILE:zqpm> -DOUT=${_corpus}/particle
                 -DSOURCE=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/fuzz/particle_seeds.cmake)
set_tests_properties(fuzz.particle.seeds PROPERTIES FIXTURES_SETUP particle_seeds TIMEOUT 300)
foreach(_target particle_emitter particle_pmd particle_pmt)
    file(MAKE_DIRECTORY ${_corpus}/${_target}-new)
    add_test(NAME fuzz.${_target}
             COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_${_target}> -timeout=10
                     -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/${_target}-new
                     ${_corpus}/particle)
    set_tests_properties(fuzz.${_target} PROPERTIES FIXTURES_REQUIRED particle_seeds TIMEOUT 120)
endforeach()

# The texture-set reader: sets that zqtexset writes from their text form.
add_test(NAME fuzz.texture_set.seeds
         COMMAND ${CMAKE_COMMAND} -DZQTEXSET=$<TARGET_FILE:zqtexset> -DOUT=${_corpus}/texture_set
                 -P ${PROJECT_SOURCE_DIR}/fuzz/texture_set_seeds.cmake)
set_tests_properties(fuzz.texture_set.seeds PROPERTIES FIXTURES_SETUP texture_set_seeds TIMEOUT 300)
add_test(NAME fuzz.texture_set
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_texture_set> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/texture_set-new
                 ${_corpus}/texture_set)
set_tests_properties(fuzz.texture_set PROPERTIES FIXTURES_REQUIRED texture_set_seeds TIMEOUT 120)

# The model file reader, the animation container reader and the camera path reader: files
# that the model and animation writers make.
foreach(_pair "model_file;ZQMODEL;zqmodel" "animation_file;ZQANIM;zqanim"
        "camera_animation_file;ZQANIM;zqanim")
    list(GET _pair 0 _target)
    list(GET _pair 1 _var)
    list(GET _pair 2 _tool)
    add_test(NAME fuzz.${_target}.seeds
             COMMAND ${CMAKE_COMMAND} -D${_var}=$<TARGET_FILE:${_tool}> -DOUT=${_corpus}/${_target}
                     -P ${PROJECT_SOURCE_DIR}/fuzz/${_target}_seeds.cmake)
    set_tests_properties(fuzz.${_target}.seeds PROPERTIES FIXTURES_SETUP ${_target}_seeds
                         TIMEOUT 300)
    add_test(NAME fuzz.${_target}
             COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_${_target}> -timeout=10
                     -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/${_target}-new
                     ${_corpus}/${_target})
    set_tests_properties(fuzz.${_target} PROPERTIES FIXTURES_REQUIRED ${_target}_seeds
                         TIMEOUT 120)
endforeach()

# The operator data store and the bookkeeping: pairs of copies that zqopdata writes.
add_test(NAME fuzz.operator_data.seeds
         COMMAND ${CMAKE_COMMAND} -DZQOPDATA=$<TARGET_FILE:zqopdata> -DOUT=${_corpus}
                 -P ${PROJECT_SOURCE_DIR}/fuzz/operator_data_seeds.cmake)
set_tests_properties(fuzz.operator_data.seeds PROPERTIES FIXTURES_SETUP operator_data_seeds
                     TIMEOUT 300)
foreach(_target operator_data bookkeeping)
    add_test(NAME fuzz.${_target}
             COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_${_target}> -timeout=10
                     -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/${_target}-new
                     ${_corpus}/${_target})
    set_tests_properties(fuzz.${_target} PROPERTIES FIXTURES_REQUIRED operator_data_seeds
                         TIMEOUT 120)
endforeach()

# The recorded-input reader: recordings that the recording writer makes.
add_test(NAME fuzz.btn_file.seeds
         COMMAND ${CMAKE_COMMAND} -DZQBTN=$<TARGET_FILE:zqbtn> -DOUT=${_corpus}/btn_file
                 -P ${PROJECT_SOURCE_DIR}/fuzz/btn_file_seeds.cmake)
set_tests_properties(fuzz.btn_file.seeds PROPERTIES FIXTURES_SETUP btn_file_seeds TIMEOUT 300)
add_test(NAME fuzz.btn_file
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_btn_file> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/btn_file-new
                 ${_corpus}/btn_file)
set_tests_properties(fuzz.btn_file PROPERTIES FIXTURES_REQUIRED btn_file_seeds TIMEOUT 120)
# The collision-set loader: data that zqcoll writes from its text form.
add_test(NAME fuzz.collision_set.seeds
         COMMAND ${CMAKE_COMMAND} -DZQCOLL=$<TARGET_FILE:zqcoll> -DOUT=${_corpus}/collision_set
                 -P ${PROJECT_SOURCE_DIR}/fuzz/collision_set_seeds.cmake)
set_tests_properties(fuzz.collision_set.seeds PROPERTIES FIXTURES_SETUP collision_set_seeds
                     TIMEOUT 300)
add_test(NAME fuzz.collision_set
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_collision_set> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/collision_set-new
                 ${_corpus}/collision_set)
set_tests_properties(fuzz.collision_set PROPERTIES FIXTURES_REQUIRED collision_set_seeds
                     TIMEOUT 120)

# The screen-transition player: scripts that zqtransition compiles from their text form.
add_test(NAME fuzz.transition_script.seeds
         COMMAND ${CMAKE_COMMAND} -DZQTRANSITION=$<TARGET_FILE:zqtransition>
                 -DOUT=${_corpus}/transition_script
                 -P ${PROJECT_SOURCE_DIR}/fuzz/transition_script_seeds.cmake)
set_tests_properties(fuzz.transition_script.seeds PROPERTIES
                     FIXTURES_SETUP transition_script_seeds TIMEOUT 300)
add_test(NAME fuzz.transition_script
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_transition_script> -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/transition_script-new
                 ${_corpus}/transition_script)
set_tests_properties(fuzz.transition_script PROPERTIES
                     FIXTURES_REQUIRED transition_script_seeds TIMEOUT 120)

# The ranking client's reply handling: the local ranking server's images and their streams.
add_test(NAME fuzz.ranking_reply.seeds
         COMMAND ${CMAKE_COMMAND} -DZQRANKSERVER=$<TARGET_FILE:zqrankserver>
                 -DOUT=${_corpus}/ranking_reply -P ${PROJECT_SOURCE_DIR}/fuzz/ranking_reply_seeds.cmake)
set_tests_properties(fuzz.ranking_reply.seeds PROPERTIES FIXTURES_SETUP ranking_reply_seeds
                     TIMEOUT 300)
add_test(NAME fuzz.ranking_reply
         COMMAND ${_fuzz_run} $<TARGET_FILE:fuzz_ranking_reply> -timeout=10 -max_len=80000
                 -rss_limit_mb=2048 -print_final_stats=1 ${_corpus}/ranking_reply-new
                 ${_corpus}/ranking_reply)
set_tests_properties(fuzz.ranking_reply PROPERTIES FIXTURES_REQUIRED ranking_reply_seeds TIMEOUT 120)
