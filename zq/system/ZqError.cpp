#include "zq/system/ZqError.h"

#include "zq/platform/os/lasterror.h"

#include <algorithm>
#include <iterator>

namespace {

#define ZQ_ERROR_ROW(name, text)                                                                   \
    { ZqError::name, u## #name, text }

// One row per fatal code, in rising order (a test checks the order and that no code repeats).
constexpr ZqError::Entry TABLE[] = {
    ZQ_ERROR_ROW(INSTANCE, u"another instance runs and its window cannot be brought forward"),
    ZQ_ERROR_ROW(NO_SSE, u"the processor lacks SSE"),
    ZQ_ERROR_ROW(NO_PERFORMANCE_COUNTER, u"the system has no high-resolution counter"),
    ZQ_ERROR_ROW(LOCALE, u"the \"C\" locale cannot be made"),
    ZQ_ERROR_ROW(WINDOW, u"the window cannot be made or its client size is outside 100..2048"),
    ZQ_ERROR_ROW(ROOT_TASK, u"the root task refused to start"),
    ZQ_ERROR_ROW(THREAD, u"a worker thread cannot be created"),
    ZQ_ERROR_ROW(LOCK, u"a lock cannot be made"),
    ZQ_ERROR_ROW(EVENT, u"an event cannot be created"),
    ZQ_ERROR_ROW(INPUT_START, u"the input service or its buffers cannot be started"),
    ZQ_ERROR_ROW(INPUT_KEYBOARD, u"the keyboard cannot be opened"),
    ZQ_ERROR_ROW(INPUT_MOUSE, u"the mouse cannot be opened"),
    ZQ_ERROR_ROW(INPUT_EXTENSION, u"the extension input device cannot be made"),
    ZQ_ERROR_ROW(INPUT_CONTROLLERS, u"the game controllers cannot be listed"),
    ZQ_ERROR_ROW(INPUT_NOTIFICATION, u"controller arrival cannot be watched"),
    ZQ_ERROR_ROW(ARCHIVE_MEMORY, u"out of memory while reading an archive"),
    ZQ_ERROR_ROW(QUEUE_MEMORY, u"out of memory for a queue between threads"),
    ZQ_ERROR_ROW(CIPHER, u"unknown cipher type or mode for a file layer"),
    ZQ_ERROR_ROW(BODY_MEMORY, u"out of memory for a simulated body"),
    ZQ_ERROR_ROW(BODY_EXTRAS_MEMORY, u"out of memory for a simulated body's extras"),
    ZQ_ERROR_ROW(BOX_TREE_MEMORY, u"out of memory for a box tree"),
    ZQ_ERROR_ROW(SOUND_ENGINE, u"the sound engine or its first device cannot be started"),
    ZQ_ERROR_ROW(CAPS_REPORT, u"out of memory while writing the capability report"),
    ZQ_ERROR_ROW(DEVICE_SYSTEM, u"no OpenGL 3.3 implementation can be reached"),
    ZQ_ERROR_ROW(DEVICE_SIZE, u"the game size is outside 150..2048 or the screen's size"),
    ZQ_ERROR_ROW(RESET_LOST, u"the graphics device was lost during its reset"),
    ZQ_ERROR_ROW(RESET_INVALID_CALL, u"the graphics device refused its reset"),
    ZQ_ERROR_ROW(DEVICE_NOT_AVAILABLE, u"the graphics device cannot be created or reset"),
    ZQ_ERROR_ROW(RESET_VIDEO_MEMORY, u"out of video memory while resetting the graphics device"),
    ZQ_ERROR_ROW(RESET_MEMORY, u"out of memory while resetting the graphics device"),
    ZQ_ERROR_ROW(RESET_FAILED, u"the graphics device's reset failed"),
    ZQ_ERROR_ROW(DEVICE_CAPS, u"the graphics device's capabilities cannot be read"),
    ZQ_ERROR_ROW(GRAPHICS_CARD, u"the graphics card lacks a capability the game needs"),
    ZQ_ERROR_ROW(BACK_BUFFER, u"the back buffer cannot be fetched"),
    ZQ_ERROR_ROW(DEPTH_STENCIL, u"the depth-stencil surface cannot be fetched"),
    ZQ_ERROR_ROW(BACK_BUFFER_DESC, u"the back buffer cannot be described"),
    ZQ_ERROR_ROW(GAME_TEXTURE, u"the game-size picture cannot be made"),
    ZQ_ERROR_ROW(GAME_TEXTURE_LEVEL, u"the game-size picture's surface cannot be fetched"),
    ZQ_ERROR_ROW(GAME_TEXTURE_DESC,
                 u"the game-size picture cannot be described, or the effect pool cannot be made"),
    ZQ_ERROR_ROW(GAME_DEPTH_STENCIL,
                 u"the game-size depth-stencil surface or the default effect cannot be made"),
    ZQ_ERROR_ROW(QUERY_RESET, u"a query cannot be made again after a reset"),
    ZQ_ERROR_ROW(TEXTURE_RESET, u"a texture cannot be made again after a reset"),
    ZQ_ERROR_ROW(PRIMITIVE_FULL_SCREEN, u"the full-screen quad cannot be made"),
    ZQ_ERROR_ROW(PRIMITIVE_MEMORY, u"out of memory for a primitive's vertices"),
    ZQ_ERROR_ROW(PRIMITIVE_VERTEX_BUFFER, u"a primitive's vertex buffer cannot be made"),
    ZQ_ERROR_ROW(PRIMITIVE_INDEX_BUFFER, u"a primitive's index buffer cannot be made"),
    ZQ_ERROR_ROW(FONT_SPRITE, u"the fonts' shared sprite cannot be made"),
    ZQ_ERROR_ROW(FONT_RESET, u"a font cannot be made again after a reset"),
    ZQ_ERROR_ROW(FONT_LOST, u"a font cannot let go of the lost device"),
    ZQ_ERROR_ROW(KEY_FRAME_MEMORY, u"out of memory for a key-frame set"),
    ZQ_ERROR_ROW(CAMERA_ANIMATION_MEMORY, u"out of memory for a camera animation"),
    ZQ_ERROR_ROW(ANIMATION_MEMORY, u"out of memory for an animation's tables"),
    ZQ_ERROR_ROW(TEXTURE_ANIMATION_MEMORY, u"out of memory for a texture animation"),
    ZQ_ERROR_ROW(SPRITE_START, u"the sprites' quad or camera cannot be made"),
    ZQ_ERROR_ROW(BLOCK_MEMORY, u"out of memory for a model or a named block"),
    ZQ_ERROR_ROW(TEXTURE_SET_MEMORY, u"out of memory for a texture set"),
    ZQ_ERROR_ROW(LINE_START, u"the line drawer cannot be made"),
    ZQ_ERROR_ROW(DEFAULT_LIGHT, u"the default light cannot be made"),
    ZQ_ERROR_ROW(UNKNOWN_EXCEPTION, u"an unknown exception reached the framework"),
    ZQ_ERROR_ROW(OUT_OF_MEMORY, u"memory ran out, or a worker thread ended with an exception"),
};

#undef ZQ_ERROR_ROW

} // namespace

const ZqError::Entry* ZqError::getTable() {
    return TABLE;
}

uint32_t ZqError::getTableSize() {
    return static_cast<uint32_t>(std::size(TABLE));
}

const ZqError::Entry* ZqError::find(const uint32_t code) {
    const auto* const end = std::end(TABLE);
    const auto* const it = std::lower_bound(
        std::begin(TABLE), end, code, [](const Entry& e, const uint32_t c) { return e.code < c; });
    return it != end && it->code == code ? it : nullptr;
}

uint32_t ZqError::getLastError() {
    return zqp::getLastError();
}

void ZqError::setLastError(const uint32_t code) {
    zqp::setLastError(code);
}
