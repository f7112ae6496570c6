#include "tools/transition/ZquScreenTransitionWriter.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/system/ZqUtf_internal.h"
#include "zq/u/transition/ZquScreenTransitionFormat.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace zqstw {

namespace {

// Words as the image stores them: 16-bit little-endian, a 32-bit value high word first.
void putU32(ZqByteWriter& w, const uint32_t v) {
    w.u16(static_cast<uint16_t>(v >> 16));
    w.u16(static_cast<uint16_t>(v & 0xFFFFu));
}

// Operand words each opcode takes (TASK_ITEM: at least this many).
bool operandCount(const uint16_t opcode, size_t& count) {
    switch (opcode) {
    case zqst::OPCODE_LOCATE:
    case zqst::OPCODE_COLOUR:
        count = 2;
        return true;
    case zqst::OPCODE_TEXT:
        count = 0;
        return true;
    case zqst::OPCODE_JUMP_ITEM:
    case zqst::OPCODE_DEFAULT_ITEM:
    case zqst::OPCODE_AUTO_ITEM:
    case zqst::OPCODE_CANCEL_ITEM:
        count = 1;
        return true;
    case zqst::OPCODE_TASK_ITEM:
        count = 3;
        return true;
    default:
        return false;
    }
}

bool writeCommand(const Command& c, ZqByteWriter& w, std::string& error) {
    size_t count = 0;
    if (!operandCount(c.opcode, count)) {
        error = "unknown opcode " + std::to_string(c.opcode);
        return false;
    }
    const bool task = c.opcode == zqst::OPCODE_TASK_ITEM;
    if (task ? c.operands.size() < count : c.operands.size() != count) {
        error = "opcode " + std::to_string(c.opcode) + " with a wrong number of operands";
        return false;
    }
    if (task && c.operands.size() - count > 0xFFFFu) {
        error = "more than 65,535 result screens";
        return false;
    }
    w.u16(c.opcode);
    for (size_t i = 0; i < c.operands.size(); ++i) {
        if (task && i == count) {
            w.u16(static_cast<uint16_t>(c.operands.size() - count));
        }
        w.u16(c.operands[i]);
    }
    if (task && c.operands.size() == count) {
        w.u16(0);
    }
    if (c.opcode == zqst::OPCODE_TEXT) {
        for (const char16_t u : c.text) {
            if (u == 0) {
                error = "a text holds a zero character";
                return false;
            }
            w.u16(u);
        }
        w.u16(0);
    }
    return true;
}

// The number in `word`, in [lo, hi]; decimal, or hexadecimal with base 16.
bool number(const std::string& word, const long lo, const long hi, long& out, const int base = 0) {
    if (word.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(word.c_str(), &end, base);
    if (errno != 0 || *end != 0 || v < lo || v > hi) {
        return false;
    }
    out = static_cast<long>(v);
    return true;
}

// The quoted text after the keyword: "..." with \" \\ \n, nothing but blanks after it.
bool quoted(const std::string& line, const size_t from, std::string& out) {
    const size_t open = line.find('"', from);
    if (open == std::string::npos || line.find_first_not_of(" \t", from) != open) {
        return false;
    }
    out.clear();
    for (size_t i = open + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            return line.find_first_not_of(" \t\r", i + 1) == std::string::npos;
        }
        if (c == '\\') {
            if (++i == line.size()) {
                return false;
            }
            const char e = line[i];
            if (e == 'n') {
                out.push_back('\n');
            } else if (e == '"' || e == '\\') {
                out.push_back(e);
            } else {
                return false;
            }
            continue;
        }
        out.push_back(c);
    }
    return false;
}

} // namespace

Command locate(const int16_t x, const int16_t y) {
    return {zqst::OPCODE_LOCATE, {static_cast<uint16_t>(x), static_cast<uint16_t>(y)}, {}};
}

Command locateNextLine(const int16_t x) {
    return {zqst::OPCODE_LOCATE, {static_cast<uint16_t>(x), zqst::NEXT_LINE}, {}};
}

Command colour(const uint32_t argb) {
    return {zqst::OPCODE_COLOUR,
            {static_cast<uint16_t>(argb >> 16), static_cast<uint16_t>(argb & 0xFFFFu)},
            {}};
}

Command text(const std::u16string& line) {
    return {zqst::OPCODE_TEXT, {}, line};
}

Command jumpItem(const int16_t target) {
    return {zqst::OPCODE_JUMP_ITEM, {static_cast<uint16_t>(target)}, {}};
}

Command taskItem(const uint16_t task, const uint16_t priority, const uint16_t start,
                 const std::vector<int16_t>& results) {
    Command c{zqst::OPCODE_TASK_ITEM, {task, priority, start}, {}};
    for (const int16_t r : results) {
        c.operands.push_back(static_cast<uint16_t>(r));
    }
    return c;
}

Command defaultItem(const uint16_t item) {
    return {zqst::OPCODE_DEFAULT_ITEM, {item}, {}};
}

Command autoItem(const uint16_t item) {
    return {zqst::OPCODE_AUTO_ITEM, {item}, {}};
}

Command cancelItem(const uint16_t item) {
    return {zqst::OPCODE_CANCEL_ITEM, {item}, {}};
}

bool writeScript(const Script& script, std::vector<uint8_t>& out, std::string& error) {
    if (script.size() > zqst::MAX_SCREENS) {
        error = "more than 65,535 screens";
        return false;
    }
    const uint64_t n = script.size();
    ZqByteWriter body;
    std::vector<uint64_t> starts;
    const uint64_t base = zqst::HEADER_SIZE + (n + 1) * zqst::OFFSET_ENTRY_SIZE;
    for (const Screen& screen : script) {
        starts.push_back(base + body.tell());
        for (const Command& c : screen) {
            if (!writeCommand(c, body, error)) {
                error = "screen " + std::to_string(starts.size() - 1) + ": " + error;
                return false;
            }
        }
    }
    starts.push_back(base + body.tell());
    if (starts.back() > 0xFFFFFFFFu) {
        error = "the image would pass 4 GiB";
        return false;
    }
    ZqByteWriter w;
    w.reserve(starts.back());
    putU32(w, static_cast<uint32_t>(n));
    for (const uint64_t s : starts) {
        putU32(w, static_cast<uint32_t>(s));
    }
    w.bytes(body.data().data(), body.tell());
    out = w.take();
    return true;
}

bool parseScript(const std::string& source, Script& out, std::string& error) {
    out.clear();
    std::istringstream lines(source);
    std::string line;
    uint32_t lineNr = 0;
    const auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNr) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNr;
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') {
            continue;
        }
        if (key == "screen") {
            out.emplace_back();
            continue;
        }
        if (out.empty()) {
            return fail("a command before the first screen");
        }
        Screen& screen = out.back();
        if (key == "text") {
            std::string utf8;
            if (!quoted(line, line.find("text") + 4, utf8)) {
                return fail("text needs one quoted string");
            }
            std::u16string units;
            zqUtf8Decode(utf8.data(), utf8.size(), [&](const char16_t u) { units.push_back(u); });
            screen.push_back(text(units));
            continue;
        }
        std::vector<std::string> args;
        for (std::string a; words >> a;) {
            args.push_back(a);
        }
        long v[3] = {};
        if (key == "locate") {
            if (args.size() != 2 || !number(args[0], -32768, 32767, v[0])) {
                return fail("locate X Y, or locate X next");
            }
            if (args[1] == "next") {
                screen.push_back(locateNextLine(static_cast<int16_t>(v[0])));
            } else if (number(args[1], -32768, 32767, v[1]) && v[1] != -32768) {
                screen.push_back(locate(static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1])));
            } else {
                return fail("locate X Y, or locate X next");
            }
        } else if (key == "colour") {
            if (args.size() != 1 || !number(args[0], 0, 0xFFFFFFFFL, v[0], 16)) {
                return fail("colour AARRGGBB");
            }
            screen.push_back(colour(static_cast<uint32_t>(v[0])));
        } else if (key == "jump") {
            if (args.size() != 1 || !number(args[0], -32768, 32767, v[0])) {
                return fail("jump TARGET");
            }
            screen.push_back(jumpItem(static_cast<int16_t>(v[0])));
        } else if (key == "task") {
            if (args.size() < 3 || !number(args[0], 0, 65535, v[0]) ||
                !number(args[1], 0, 65535, v[1]) || !number(args[2], 0, 65535, v[2])) {
                return fail("task NUMBER PRIORITY START [RESULT ...]");
            }
            std::vector<int16_t> results;
            for (size_t i = 3; i < args.size(); ++i) {
                long r = 0;
                if (!number(args[i], -32768, 32767, r)) {
                    return fail("a result screen is not a number from -32768 to 32767");
                }
                results.push_back(static_cast<int16_t>(r));
            }
            screen.push_back(taskItem(static_cast<uint16_t>(v[0]), static_cast<uint16_t>(v[1]),
                                      static_cast<uint16_t>(v[2]), results));
        } else if (key == "default" || key == "auto" || key == "cancel") {
            if (args.size() != 1 || !number(args[0], 0, 65535, v[0])) {
                return fail(key + " ITEM");
            }
            const auto item = static_cast<uint16_t>(v[0]);
            screen.push_back(key == "default" ? defaultItem(item)
                             : key == "auto"  ? autoItem(item)
                                              : cancelItem(item));
        } else {
            return fail("unknown command " + key);
        }
    }
    if (out.size() > zqst::MAX_SCREENS) {
        return fail("more than 65,535 screens");
    }
    return true;
}

bool compileScript(const std::string& source, std::vector<uint8_t>& out, std::string& error) {
    Script script;
    return parseScript(source, script, error) && writeScript(script, out, error);
}

} // namespace zqstw
