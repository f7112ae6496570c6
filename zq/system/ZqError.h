// ZqError: the framework's error codes. Fatal codes are unsigned integers thrown by start-up
// and by frames and caught once, at the program's entry; each has a name here and a one-line
// text that the entry can show beside the number. Recoverable failures instead return false
// or null and leave a code in the calling thread's last-error value, read with getLastError
// (the codes of those blocks, 0x2000xxxx, are named by the classes that set them).
// Not for: the operator error table of the game. Depends on nothing.
#pragma once

#include <cstdint>

class ZqError {
public:
    // Thrown before any subsystem runs; ZqSystem::go leaves at once.
    static constexpr uint32_t INSTANCE = 1;
    static constexpr uint32_t NO_SSE = 3;
    static constexpr uint32_t NO_PERFORMANCE_COUNTER = 4;
    static constexpr uint32_t LOCALE = 5;
    static constexpr uint32_t WINDOW = 16;
    // Core services.
    static constexpr uint32_t ROOT_TASK = 48;
    static constexpr uint32_t THREAD = 64;
    static constexpr uint32_t LOCK = 80;
    static constexpr uint32_t EVENT = 96;
    // Input start-up.
    static constexpr uint32_t INPUT_START = 128;
    static constexpr uint32_t INPUT_KEYBOARD = 129;
    static constexpr uint32_t INPUT_MOUSE = 130;
    static constexpr uint32_t INPUT_EXTENSION = 131;
    static constexpr uint32_t INPUT_CONTROLLERS = 132;
    static constexpr uint32_t INPUT_NOTIFICATION = 133;
    // Files.
    static constexpr uint32_t ARCHIVE_MEMORY = 144;
    static constexpr uint32_t QUEUE_MEMORY = 145;
    static constexpr uint32_t CIPHER = 192;
    // Geometry.
    static constexpr uint32_t BODY_MEMORY = 512;
    static constexpr uint32_t BODY_EXTRAS_MEMORY = 528;
    static constexpr uint32_t BOX_TREE_MEMORY = 560;
    // Sound.
    static constexpr uint32_t SOUND_ENGINE = 768;
    // The graphics device.
    static constexpr uint32_t CAPS_REPORT = 1024;
    static constexpr uint32_t DEVICE_SYSTEM = 1025;
    static constexpr uint32_t DEVICE_SIZE = 1026;
    static constexpr uint32_t RESET_LOST = 1027;
    static constexpr uint32_t RESET_INVALID_CALL = 1028;
    static constexpr uint32_t DEVICE_NOT_AVAILABLE = 1029;
    static constexpr uint32_t RESET_VIDEO_MEMORY = 1030;
    static constexpr uint32_t RESET_MEMORY = 1031;
    static constexpr uint32_t RESET_FAILED = 1032;
    static constexpr uint32_t DEVICE_CAPS = 1033;
    static constexpr uint32_t GRAPHICS_CARD = 1034;
    static constexpr uint32_t BACK_BUFFER = 1035;
    static constexpr uint32_t DEPTH_STENCIL = 1036;
    static constexpr uint32_t BACK_BUFFER_DESC = 1037;
    static constexpr uint32_t GAME_TEXTURE = 1038;
    static constexpr uint32_t GAME_TEXTURE_LEVEL = 1039;
    // Also the effect pool and the effect's handle block.
    static constexpr uint32_t GAME_TEXTURE_DESC = 1040;
    // Also the default effect.
    static constexpr uint32_t GAME_DEPTH_STENCIL = 1041;
    // Graphics classes.
    static constexpr uint32_t QUERY_RESET = 1048;
    static constexpr uint32_t TEXTURE_RESET = 1089;
    static constexpr uint32_t PRIMITIVE_FULL_SCREEN = 1104;
    static constexpr uint32_t PRIMITIVE_MEMORY = 1105;
    static constexpr uint32_t PRIMITIVE_VERTEX_BUFFER = 1106;
    static constexpr uint32_t PRIMITIVE_INDEX_BUFFER = 1107;
    static constexpr uint32_t FONT_SPRITE = 1136;
    static constexpr uint32_t FONT_RESET = 1137;
    static constexpr uint32_t FONT_LOST = 1138;
    static constexpr uint32_t KEY_FRAME_MEMORY = 1152;
    static constexpr uint32_t CAMERA_ANIMATION_MEMORY = 1184;
    static constexpr uint32_t ANIMATION_MEMORY = 1216;
    static constexpr uint32_t TEXTURE_ANIMATION_MEMORY = 1248;
    static constexpr uint32_t SPRITE_START = 1264;
    static constexpr uint32_t BLOCK_MEMORY = 1280;
    static constexpr uint32_t TEXTURE_SET_MEMORY = 1328;
    static constexpr uint32_t LINE_START = 1344;
    static constexpr uint32_t DEFAULT_LIGHT = 1360;
    // Caught during the guarded run: an exception that is not a code, and memory exhausted.
    static constexpr uint32_t UNKNOWN_EXCEPTION = 3840;
    static constexpr uint32_t OUT_OF_MEMORY = 4095;

    struct Entry {
        uint32_t code;
        const char16_t* name; // the constant's name above
        const char16_t* text; // one line, no full stop
    };

    // Every fatal code, in rising order.
    static const Entry* getTable();
    static uint32_t getTableSize();
    // The entry of a fatal code; null for a code the framework does not throw.
    static const Entry* find(uint32_t code);

    // The calling thread's last-error value: 0 until a failing call sets it.
    static uint32_t getLastError();
    static void setLastError(uint32_t code);

    ZqError() = delete;
};
