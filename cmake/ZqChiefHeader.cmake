# The chief header's own-compile check: a generated translation unit for each header that
# zq/zq.h includes, each holding that include alone, built with the platform's libraries out of
# reach. test_zq depends on them, so a header that needs an include it lacks (or reaches SDL, GL
# ...) stops the build of the test suite. Which headers zq.h must include is the check of
# tests/zq/ChiefHeaderTest.cpp.
function(zq_chief_header_units test_target)
    set(chief ${PROJECT_SOURCE_DIR}/zq/zq.h)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${chief})
    file(STRINGS ${chief} lines REGEX "^#include \"zq/")
    set(sources "")
    foreach(line ${lines})
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        string(MAKE_C_IDENTIFIER "${header}" id)
        set(src ${CMAKE_CURRENT_BINARY_DIR}/chief-header/${id}.cpp)
        file(CONFIGURE OUTPUT ${src} CONTENT "#include \"${header}\"\n")
        list(APPEND sources ${src})
    endforeach()
    add_library(zq_chief_header_units OBJECT EXCLUDE_FROM_ALL ${sources})
    target_link_libraries(zq_chief_header_units PRIVATE zq)
    zq_platform_only(zq_chief_header_units)
    add_dependencies(${test_target} zq_chief_header_units)
endfunction()
