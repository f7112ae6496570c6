// The screen-transition script writer: makes script images (zq/u/transition/
// ZquScreenTransitionFormat.h) from screens of commands, or compiles them from a text form:
//
//   # a comment; blank lines are skipped
//   screen                         starts the next screen (numbered from 0 in order)
//   locate X Y                     Y may be "next": one font line down, X kept
//   colour AARRGGBB                hexadecimal ARGB
//   text "Line"                    UTF-8; \" \\ and \n as escapes; '%' is a plain character
//   jump TARGET                    the next text is an item to screen TARGET (negative: end)
//   task NUMBER PRIORITY START [RESULT ...]   the next text is an item that starts task NUMBER
//   default ITEM | auto ITEM | cancel ITEM
//
// Only the form is checked (operand counts and ranges, the screen count); targets, item
// numbers and item counts are written as given, so that the player's guards can be tested.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqstw {

struct Command {
    uint16_t opcode = 0;
    // Operand words as stored (TASK_ITEM: number, priority, start value, then the results;
    // the result count is written by the writer).
    std::vector<uint16_t> operands;
    std::u16string text; // TEXT only, without its terminator
};
using Screen = std::vector<Command>;
using Script = std::vector<Screen>;

// Builders of single commands.
Command locate(int16_t x, int16_t y);
Command locateNextLine(int16_t x = 0);
Command colour(uint32_t argb);
Command text(const std::u16string& line);
Command jumpItem(int16_t target);
Command taskItem(uint16_t task, uint16_t priority, uint16_t start,
                 const std::vector<int16_t>& results);
Command defaultItem(uint16_t item);
Command autoItem(uint16_t item);
Command cancelItem(uint16_t item);

// The whole image; false with a reason for more than 65,535 screens, an unknown opcode, a
// command with the wrong number of operands, a text holding a zero character, or an image
// past 4 GiB.
bool writeScript(const Script& script, std::vector<uint8_t>& out, std::string& error);
// The text form; false with the line and reason of the first fault.
bool parseScript(const std::string& source, Script& out, std::string& error);
// Both: the image of a text form.
bool compileScript(const std::string& source, std::vector<uint8_t>& out, std::string& error);

} // namespace zqstw
