# The platform seam: only the object library zqplatform (zq/platform) sees the Linux libraries.
# zq_platform_package() finds a library for it and records the library's headers; every target
# built with zq_platform_only() gets an include folder that shadows each of those headers with
# one that stops the compile, so an include of SDL, GL, FreeType... above zq/platform fails.

set(ZQ_PLATFORM_SHADOW_DIR ${CMAKE_BINARY_DIR}/platform-only/include)
set_property(GLOBAL PROPERTY ZQ_PLATFORM_SHADOWED "")

# zq_platform_package(<pkg-config module> HEADERS <file or folder under its include folder>...)
# Links the module into zqplatform (the library's include folders reach no other target) and
# shadows the named headers, a folder standing for every file below it. A library that is not
# installed yet shadows nothing.
function(zq_platform_package module)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS")
    string(MAKE_C_IDENTIFIER "ZQP_${module}" prefix)
    pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${module})
    target_link_libraries(zqplatform PRIVATE PkgConfig::${prefix})
    # Headers are named relative to the module's include folder or to a folder the compiler
    # searches anyway (where an include of them would otherwise succeed).
    pkg_get_variable(moduleroot ${module} includedir)
    foreach(entry ${arg_HEADERS})
        set(files "")
        set(root "")
        foreach(candidate ${moduleroot} ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
            if(NOT root AND EXISTS ${candidate}/${entry})
                set(root ${candidate})
            endif()
        endforeach()
        if(IS_DIRECTORY ${root}/${entry})
            file(GLOB_RECURSE found RELATIVE ${root} ${root}/${entry}/*)
            list(APPEND files ${found})
        elseif(EXISTS ${root}/${entry})
            list(APPEND files ${entry})
        endif()
        foreach(rel ${files})
            set(stub ${ZQ_PLATFORM_SHADOW_DIR}/${rel})
            set(text "#error \"<${rel}> (${module}) belongs to the platform layer: only zq/platform may include it\"\n")
            if(EXISTS ${stub})
                file(READ ${stub} old)
            else()
                set(old "")
            endif()
            if(NOT old STREQUAL text)
                file(WRITE ${stub} "${text}")
            endif()
        endforeach()
        if(files)
            list(GET files 0 first)
            set_property(GLOBAL APPEND PROPERTY ZQ_PLATFORM_SHADOWED "${first}")
        endif()
    endforeach()
endfunction()

# Compiles <target> with the platform's libraries out of reach.
function(zq_platform_only target)
    target_include_directories(${target} BEFORE PRIVATE ${ZQ_PLATFORM_SHADOW_DIR})
endfunction()

# The same for every target made in <dir> and the folders below it.
function(zq_platform_only_dir dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
        get_target_property(type ${t} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            zq_platform_only(${t})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(d ${subdirs})
        zq_platform_only_dir(${d})
    endforeach()
endfunction()

# A check in the test suite: a source of libzq that includes one shadowed header of each
# library must fail to compile, and for that reason.
function(zq_platform_seam_test)
    get_property(headers GLOBAL PROPERTY ZQ_PLATFORM_SHADOWED)
    set(probes "")
    foreach(h ${headers})
        string(MAKE_C_IDENTIFIER "${h}" id)
        set(src ${CMAKE_CURRENT_BINARY_DIR}/seam/${id}.cpp)
        file(CONFIGURE OUTPUT ${src} CONTENT "#include <${h}>\nint zq_seam_probe_${id};\n")
        add_library(zq_seam_${id} OBJECT EXCLUDE_FROM_ALL ${src})
        target_link_libraries(zq_seam_${id} PRIVATE zq)
        zq_platform_only(zq_seam_${id})
        list(APPEND probes zq_seam_${id})
    endforeach()
    add_test(NAME platform_seam
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} "-DPROBES=${probes}"
                     -P ${PROJECT_SOURCE_DIR}/cmake/ZqPlatformSeamCheck.cmake)
    set_tests_properties(platform_seam PROPERTIES TIMEOUT 300)
endfunction()
