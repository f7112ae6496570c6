// The screen-transition script image: what the script writer (tools/transition) writes and
// ZquScreenTransition plays. Constants only, shared by both sides; no code.
//
// The image is a run of 16-bit little-endian words. A 32-bit value ("u32") is two words, the
// high word first. Offsets are byte offsets from the image's start.
//   word 0-1            u32 N: number of screens, at most MAX_SCREENS
//   word 2 + 2n, 3 + 2n u32 offset of screen n (n = 0 .. N): screen n occupies the bytes from
//                       entry n up to, not including, entry n + 1
// A screen is a sequence of commands: an opcode word, then its operand words.
//   LOCATE        x, y              y = NEXT_LINE: one font line further down, x kept
//   COLOUR        high, low         the text colour, 32-bit ARGB
//   TEXT          UTF-16 string, zero terminated (printed as it stands)
//   JUMP_ITEM     target screen     the next text is an item; a negative target ends the player
//   TASK_ITEM     task number, priority, start value, R, then R result screens (signed)
//   DEFAULT_ITEM  item number       selected when the screen opens
//   AUTO_ITEM     item number       as DEFAULT_ITEM, and taken at once without input
//   CANCEL_ITEM   item number       taken when cancel is pressed
// An item's number is its order among the screen's items, from 0; at most MAX_ITEMS a screen.
// The player reads every word through bounds checks: a command cut short or an opcode not
// listed here ends the walk of that screen.
#pragma once

#include <cstdint>

namespace zqst {

enum OPCODE : uint16_t {
    OPCODE_LOCATE = 1,
    OPCODE_COLOUR = 2,
    OPCODE_TEXT = 3,
    OPCODE_JUMP_ITEM = 8,
    OPCODE_TASK_ITEM = 9,
    OPCODE_DEFAULT_ITEM = 10,
    OPCODE_AUTO_ITEM = 11,
    OPCODE_CANCEL_ITEM = 12,
};

constexpr uint32_t MAX_SCREENS = 65535;
constexpr uint32_t MAX_ITEMS = 64;
constexpr uint16_t NEXT_LINE = 0x8000;

constexpr uint32_t WORD = 2;
// Bytes before the offset table, and per offset entry.
constexpr uint32_t HEADER_SIZE = 4;
constexpr uint32_t OFFSET_ENTRY_SIZE = 4;
// Fixed command sizes in bytes (opcode included); TEXT and TASK_ITEM grow with their data.
constexpr uint32_t LOCATE_SIZE = 6;
constexpr uint32_t COLOUR_SIZE = 6;
constexpr uint32_t ITEM_NUMBER_SIZE = 4; // JUMP_ITEM, DEFAULT_ITEM, AUTO_ITEM, CANCEL_ITEM
constexpr uint32_t TASK_ITEM_FIXED_SIZE = 10;

} // namespace zqst
