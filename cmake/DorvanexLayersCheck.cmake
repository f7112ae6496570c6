cmake_minimum_required(VERSION 3.25)
# The game's layering, checked on its include lines (run with cmake -P):
#   -DSOURCE_DIR=<tree>   the tree whose dorvanex/ folder is read
#   -DPLANT=<file>|<header>   (optional) reads as if <file> also included <header>, for the test
#                         that the check fails where it should
# Every include of a game header must point to the same layer, a lower one, or a peer of the
# core's layer brackets; tools/ is never included; of the framework only its chief header and
# the platform contracts the game may use. Fails naming every line that breaks a rule.

# The layers, lowest first; the folders of one entry are peers.
set(_ranks
    "core/render|core/input|core/opdata|core/sound|core/cabinet"
    "dld"
    "scene"
    "core/flow|core/play"
    "event"
    "events|screens|operator"
    "core/app")
# Peers that may include each other (the event folders and screens may not).
set(_peer_ranks 0 3)

# The framework headers the game may include. zq/zq.h is the framework's public face; the
# public headers after it stay allowed until it includes every one of them, then this list
# shrinks to it and the platform contracts.
set(DORVANEX_ZQ_ALLOWED
    zq/zq.h
    zq/platform/os/calendar.h zq/platform/os/utf.h zq/platform/fs/fs.h zq/platform/gpu/gpu.h
    zq/platform/window/window.h
    zq/file/ZqArcFile.h zq/file/ZqByteReader.h zq/file/ZqByteWriter.h zq/file/ZqFile.h
    zq/gl/ZqGlAnimation.h zq/gl/ZqGlFont.h zq/gl/ZqGlModel.h zq/gl/ZqGlPrimitive.h
    zq/gl/ZqGlShader.h zq/gl/ZqGlState.h zq/gl/ZqGlSystem.h zq/gl/ZqGlTexture.h
    zq/gl/ZqGlTextureAnimation.h zq/input/ZqInput.h zq/io/ZqLedController.h zq/io/ZqMarlox4.h
    zq/math/ZqMatrix.h zq/math/ZqMt19937Ar.h zq/math/ZqVector3.h zq/memory/ZqMemAlloc.h
    zq/sd/ZqSdSound.h zq/system/ZqError.h zq/system/ZqSprintf.h zq/system/ZqString.h
    zq/system/ZqSystem.h zq/task/ZqTask.h zq/u/vinput/ZquVirtualInput.h)

# Edges that still run upward, each "<file> <header>"; any other fails the check. The credit
# task reads the play state's offline word and the running chapter; the sound manager takes
# its sound list from the resource manager; the resource manager posts the operator error of a
# file it cannot read. Each goes when its module is split along the layers.
set(DORVANEX_LAYER_EXCEPTIONS
    "dorvanex/core/cabinet/CCredit.cpp dorvanex/core/flow/CSequenceManager.h"
    "dorvanex/core/cabinet/CCredit.cpp dorvanex/core/play/CGameWork.h"
    "dorvanex/core/sound/CSoundManager.h dorvanex/scene/CResourceManager.h"
    "dorvanex/scene/CResourceManager.cpp dorvanex/core/flow/OperatorErrors.h")

# The layer of a game path (dorvanex/...), "" outside every layer; its rank in _rank.
function(_layer_of path out rank)
    set(_layer "")
    if(path MATCHES "^dorvanex/core/([^/]+)/")
        set(_layer "core/${CMAKE_MATCH_1}")
    elseif(path MATCHES "^dorvanex/(events/(track|arena)/[^/]+)/")
        set(_layer "${CMAKE_MATCH_1}")
    elseif(path MATCHES "^dorvanex/([^/]+)/")
        set(_layer "${CMAKE_MATCH_1}")
    endif()
    set(_top "${_layer}")
    if(_layer MATCHES "^events/")
        set(_top events)
    endif()
    set(_found -1)
    set(_i 0)
    foreach(_entry ${_ranks})
        if(_top MATCHES "^(${_entry})$")
            set(_found ${_i})
        endif()
        math(EXPR _i "${_i} + 1")
    endforeach()
    if(_found EQUAL -1)
        set(_layer "")
    endif()
    set(${out} "${_layer}" PARENT_SCOPE)
    set(${rank} ${_found} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/dorvanex/*.h ${SOURCE_DIR}/dorvanex/*.cpp)
list(SORT _files)
set(_problems "")
set(_lines_of_plant "")
if(PLANT)
    string(REPLACE "|" ";" _plant "${PLANT}")
    list(GET _plant 0 _plant_file)
    list(GET _plant 1 _plant_header)
    list(APPEND _files ${_plant_file})
    list(REMOVE_DUPLICATES _files)
endif()
foreach(_file ${_files})
    set(_includes "")
    if(EXISTS ${SOURCE_DIR}/${_file})
        file(STRINGS ${SOURCE_DIR}/${_file} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(_line ${_lines})
            if(_line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
                list(APPEND _includes "${CMAKE_MATCH_1}")
            endif()
        endforeach()
    endif()
    if(PLANT AND _file STREQUAL _plant_file)
        list(APPEND _includes "${_plant_header}")
    endif()
    _layer_of(${_file} _from _from_rank)
    if(_from STREQUAL "")
        list(APPEND _problems "${_file}: outside every layer")
        continue()
    endif()
    foreach(_header ${_includes})
        if("${_file} ${_header}" IN_LIST DORVANEX_LAYER_EXCEPTIONS)
            continue()
        endif()
        if(_header MATCHES "^tools/")
            list(APPEND _problems "${_file}: includes ${_header}: the game never includes tools/")
        elseif(_header MATCHES "^zq/")
            if(NOT _header IN_LIST DORVANEX_ZQ_ALLOWED)
                list(APPEND _problems
                     "${_file}: includes ${_header}: only zq/zq.h and the allowed platform contracts")
            endif()
        elseif(_header MATCHES "^dorvanex/")
            _layer_of(${_header} _to _to_rank)
            set(_ok FALSE)
            if(_to STREQUAL _from OR (_to_rank GREATER -1 AND _to_rank LESS _from_rank))
                set(_ok TRUE)
            elseif(_to_rank EQUAL _from_rank AND _from_rank IN_LIST _peer_ranks)
                set(_ok TRUE)
            elseif(_from MATCHES "^events/arena/" AND _to STREQUAL "events/arena/common")
                set(_ok TRUE)
            endif()
            if(NOT _ok)
                list(APPEND _problems "${_file}: includes ${_header}: ${_from} may not include ${_to}")
            endif()
        else()
            list(APPEND _problems "${_file}: includes ${_header}: outside the game and the framework")
        endif()
    endforeach()
endforeach()
if(_problems)
    list(JOIN _problems "\n  " _text)
    message(FATAL_ERROR "The game's layering is broken:\n  ${_text}")
endif()
list(LENGTH _files _count)
message(STATUS "The game's layering holds in ${_count} files")
