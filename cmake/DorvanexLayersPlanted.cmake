cmake_minimum_required(VERSION 3.25)
# The layering check must fail, naming the line, on each planted include (run with cmake -P,
# -DSOURCE_DIR=<tree>): an upward include, an include of tools/, a framework header other than
# the allowed ones, one event including another, a file outside every layer.
set(_plants
    "dorvanex/core/render/GameRender.cpp|dorvanex/core/app/TaskRoot.h"
    "dorvanex/scene/CResourceManager.cpp|dorvanex/core/play/CGameWork.h"
    "dorvanex/core/play/CGameWork.cpp|tools/btn/zqbtn.h"
    "dorvanex/screens/CStandInChapter.cpp|zq/gl/ZqGlDevice.h"
    "dorvanex/core/input/CInputManager.cpp|zq/platform/input/input.h"
    "dorvanex/events/track/a/A.cpp|dorvanex/events/track/b/B.h"
    "dorvanex/Loose.cpp|zq/zq.h")
foreach(_plant ${_plants})
    string(REPLACE "|" ";" _parts "${_plant}")
    list(GET _parts 0 _file)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} "-DPLANT=${_plant}"
                -P ${CMAKE_CURRENT_LIST_DIR}/DorvanexLayersCheck.cmake
        RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
    if(_rc EQUAL 0)
        message(FATAL_ERROR "The layering check passed with ${_plant} planted")
    endif()
    string(FIND "${_err}" "${_file}: " _at)
    if(_at EQUAL -1)
        message(FATAL_ERROR "The layering check failed for another reason with ${_plant}:\n${_err}")
    endif()
endforeach()
message(STATUS "The layering check fails on every planted include")
