#include "zq/u/transition/ZquScreenTransition.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/input/ZqInput.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"
#include "zq/u/transition/ZquScreenTransition_test.h"

#include <algorithm>
#include <string>

namespace {

zqu::test::FrameCounter g_frameCounter = nullptr;
zqu::test::PrintRecorder g_printRecorder = nullptr;
zqu::test::InputSource g_inputSource = nullptr;

// Screens are walked on the render thread under the pool's lock: one buffer for all players.
std::u16string g_text;

constexpr uint32_t CURSOR_COLOR = 0xFFFFFFFFu;
constexpr uint32_t BLINK_BIT = 4;
// The mouse picks an item whose cursor cell or first characters it is on.
constexpr int32_t HIT_LEFT = 5;
constexpr int32_t HIT_RIGHT = 15;
constexpr int32_t HIT_HEIGHT = 15;

uint32_t frameCount() {
    return g_frameCounter != nullptr ? g_frameCounter() : ZqSystem::getFrameCount();
}

// This frame's menu input; false while the window is not in front (nothing is read).
bool readInput(zqu::test::InputFrame& in) {
    if (g_inputSource != nullptr) {
        g_inputSource(in);
        return true;
    }
    if (!ZqSystem::isWindowActivated()) {
        return false;
    }
    in.select = ZqInput::getSelectOn() != 0;
    in.cancel = ZqInput::getCancelOn() != 0;
    in.mouseOn = ZqInput::getDeviceMouse() != nullptr && ZqInput::getMouseButtonOn(0) != 0;
    in.mouseX = ZqInput::m_mousePos.x;
    in.mouseY = ZqInput::m_mousePos.y;
    in.up = ZqInput::getUpRepeat() != 0;
    in.down = ZqInput::getDownRepeat() != 0;
    return true;
}

// Prints text as it stands: a '%' in a script line is a character, not a directive.
void print(ZqGlFont& font, const char16_t* const text, const int32_t x, const int32_t y) {
    if (g_printRecorder != nullptr) {
        g_printRecorder(text, x, y, ZqGlFont::m_color);
    }
    font.printf(x, y, u"%s", text);
}

} // namespace

void zqu::test::setFrameCounter(const FrameCounter counter) {
    g_frameCounter = counter;
}

void zqu::test::setPrintRecorder(const PrintRecorder recorder) {
    g_printRecorder = recorder;
}

void zqu::test::setInputSource(const InputSource source) {
    g_inputSource = source;
}

struct ZquScreenTransition::Command {
    uint16_t opcode = 0;
    uint16_t a = 0; // first operand: x, colour high, target, task or item number
    uint16_t b = 0; // second: y, colour low, priority
    uint16_t c = 0; // task start value
    uint16_t nrResults = 0;
    uint64_t operands = 0; // TEXT: first character; TASK_ITEM: first result screen
    uint64_t next = 0;
};

void ZquScreenTransition::sysInit() {
    init(POOL_SIZE);
}

void ZquScreenTransition::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        quit();
    }
}

ZquScreenTransition* ZquScreenTransition::create(const void* const image, const uint32_t size,
                                                 ZqGlFont* const font, ZqTask* const parent,
                                                 ZqTask* const* const taskTable,
                                                 const uint32_t nrTasks) {
    if (image == nullptr || parent == nullptr || taskTable == nullptr) {
        return nullptr;
    }
    const ZqByteReader r(image, size);
    uint16_t high = 0;
    uint16_t low = 0;
    if (!r.u16(0, high) || !r.u16(zqst::WORD, low)) {
        return nullptr;
    }
    const uint64_t nrScreens = (static_cast<uint64_t>(high) << 16) | low;
    if (nrScreens > zqst::MAX_SCREENS ||
        !r.fits(zqst::HEADER_SIZE, nrScreens + 1, zqst::OFFSET_ENTRY_SIZE)) {
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZquScreenTransition* const p = ZqFixList::create();
    if (p == nullptr) {
        return nullptr;
    }
    p->m_pImage = static_cast<const uint8_t*>(image);
    p->m_imageSize = size;
    p->m_pFont = font;
    p->m_pParent = parent;
    p->m_pTaskTable = taskTable;
    p->m_nrTasks = nrTasks;
    p->m_taskNr = 0;
    p->m_taskCommand = 0;
    p->m_nrScreens = static_cast<uint16_t>(nrScreens);
    p->m_screenNr = 0;
    p->m_state = STATE_INTERPRET;
    p->m_selectNr = 0;
    p->m_cancelNr = -1;
    p->m_nrItems = 0;
    p->setScreen(0);
    return p;
}

unsigned int ZquScreenTransition::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

void ZquScreenTransition::sysMain() {
    stepAll(false);
}

void ZquScreenTransition::sysDraw() {
    stepAll(true);
}

void ZquScreenTransition::stepAll(const bool drawing) {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZquScreenTransition* p = getUsed(); p != nullptr;) {
        ZquScreenTransition* const next = p->getNext();
        if (drawing) {
            if (p->m_state == STATE_SELECT) {
                p->stepSelect();
            }
        } else if (p->m_state == STATE_INTERPRET) {
            p->stepInterpret();
        } else if (p->m_state == STATE_TASK) {
            p->stepTask();
        }
        p = next;
    }
}

bool ZquScreenTransition::getU16(const uint64_t at, uint16_t& out) const {
    return ZqByteReader(m_pImage, m_imageSize).u16(at, out);
}

bool ZquScreenTransition::getU32(const uint64_t at, uint32_t& out) const {
    uint16_t high = 0;
    uint16_t low = 0;
    const bool ok = getU16(at, high) && getU16(at + zqst::WORD, low);
    out = ok ? (static_cast<uint32_t>(high) << 16) | low : 0;
    return ok;
}

bool ZquScreenTransition::getScreenTransitionAddr(const uint32_t n, uint32_t& out) const {
    return getU32(zqst::HEADER_SIZE + static_cast<uint64_t>(n) * zqst::OFFSET_ENTRY_SIZE, out);
}

bool ZquScreenTransition::getScreenTransitionEndAddr(const uint32_t n, uint32_t& out) const {
    return getScreenTransitionAddr(n + 1, out);
}

void ZquScreenTransition::setScreen(const uint16_t n) {
    m_screenStart = 0;
    m_screenEnd = 0;
    uint32_t start = 0;
    uint32_t end = 0;
    if (n >= m_nrScreens || !getScreenTransitionAddr(n, start) ||
        !getScreenTransitionEndAddr(n, end)) {
        return;
    }
    end = std::min(end, m_imageSize);
    if (start < end) {
        m_screenStart = start;
        m_screenEnd = end;
    }
}

bool ZquScreenTransition::readCommand(const uint64_t at, Command& out) const {
    // Every read stops at the screen's end, so a command never runs into the next screen.
    const ZqByteReader r(m_pImage, m_screenEnd);
    out = Command{};
    if (!r.u16(at, out.opcode)) {
        return false;
    }
    const uint64_t operands = at + zqst::WORD;
    switch (out.opcode) {
    case zqst::OPCODE_LOCATE:
    case zqst::OPCODE_COLOUR:
        out.next = at + zqst::LOCATE_SIZE;
        return r.u16(operands, out.a) && r.u16(operands + zqst::WORD, out.b);
    case zqst::OPCODE_TEXT: {
        out.operands = operands;
        uint16_t unit = 1;
        uint64_t p = operands;
        for (; r.u16(p, unit) && unit != 0; p += zqst::WORD) {
        }
        out.next = p + zqst::WORD;
        return unit == 0;
    }
    case zqst::OPCODE_JUMP_ITEM:
    case zqst::OPCODE_DEFAULT_ITEM:
    case zqst::OPCODE_AUTO_ITEM:
    case zqst::OPCODE_CANCEL_ITEM:
        out.next = at + zqst::ITEM_NUMBER_SIZE;
        return r.u16(operands, out.a);
    case zqst::OPCODE_TASK_ITEM:
        out.operands = at + zqst::TASK_ITEM_FIXED_SIZE;
        if (!r.u16(operands, out.a) || !r.u16(operands + zqst::WORD, out.b) ||
            !r.u16(operands + 2 * zqst::WORD, out.c) ||
            !r.u16(operands + 3 * zqst::WORD, out.nrResults) ||
            !r.fits(out.operands, out.nrResults, zqst::WORD)) {
            return false;
        }
        out.next = out.operands + static_cast<uint64_t>(out.nrResults) * zqst::WORD;
        return true;
    default:
        return false;
    }
}

void ZquScreenTransition::locate(const Command& cmd, int32_t& x, int32_t& y) const {
    if (cmd.b != zqst::NEXT_LINE) {
        x = static_cast<int16_t>(cmd.a);
        y = static_cast<int16_t>(cmd.b);
    } else if (m_pFont != nullptr) {
        y += m_pFont->getHeight();
    }
}

void ZquScreenTransition::jump(const int32_t target) {
    // A target past the last screen has no offsets to read: it ends the player as a negative
    // one does.
    if (target < 0 || target >= m_nrScreens) {
        m_state = STATE_END;
        return;
    }
    m_screenNr = static_cast<uint16_t>(target);
    setScreen(m_screenNr);
    m_state = STATE_INTERPRET;
}

void ZquScreenTransition::stepInterpret() {
    m_selectNr = 0;
    m_nrItems = 0;
    m_cancelNr = -1;
    int32_t x = 0;
    int32_t y = 0;
    bool pending = false;
    uint64_t pendingAt = 0;
    Command cmd;
    for (uint64_t at = m_screenStart; at < m_screenEnd && readCommand(at, cmd); at = cmd.next) {
        switch (cmd.opcode) {
        case zqst::OPCODE_LOCATE:
            locate(cmd, x, y);
            break;
        case zqst::OPCODE_TEXT:
            // Items past the table's size stay plain text.
            if (pending && m_nrItems < zqst::MAX_ITEMS) {
                m_items[m_nrItems++] = Item{x, y, static_cast<uint32_t>(pendingAt)};
            }
            pending = false;
            break;
        case zqst::OPCODE_JUMP_ITEM:
        case zqst::OPCODE_TASK_ITEM:
            pending = true;
            pendingAt = at;
            break;
        case zqst::OPCODE_DEFAULT_ITEM:
        case zqst::OPCODE_AUTO_ITEM:
            m_selectNr = cmd.a;
            break;
        case zqst::OPCODE_CANCEL_ITEM:
            m_cancelNr = static_cast<int16_t>(cmd.a);
            break;
        default:
            break;
        }
    }
    m_state = STATE_SELECT;
}

void ZquScreenTransition::stepSelect() {
    ZqGlFont* const font = m_pFont;
    if (font != nullptr) {
        ZqGlFont::m_x = 0;
        ZqGlFont::m_y = 0;
        ZqGlFont::m_color = 0xFFFFFFFFu;
        ZqGlFont::begin();
    }
    int32_t x = 0;
    int32_t y = 0;
    bool autoItem = false;
    Command cmd;
    for (uint64_t at = m_screenStart; at < m_screenEnd && readCommand(at, cmd); at = cmd.next) {
        switch (cmd.opcode) {
        case zqst::OPCODE_LOCATE:
            locate(cmd, x, y);
            break;
        case zqst::OPCODE_COLOUR:
            if (font != nullptr) {
                ZqGlFont::m_color = (static_cast<uint32_t>(cmd.a) << 16) | cmd.b;
            }
            break;
        case zqst::OPCODE_TEXT:
            if (font != nullptr) {
                // The image need not be aligned for char16_t: the line is copied out.
                g_text.clear();
                const uint64_t units = (cmd.next - cmd.operands) / zqst::WORD - 1;
                for (uint64_t i = 0; i < units; ++i) {
                    g_text.push_back(static_cast<char16_t>(
                        ZqByteReader::load<uint16_t>(m_pImage + cmd.operands + i * zqst::WORD)));
                }
                print(*font, g_text.c_str(), x, y);
            }
            break;
        case zqst::OPCODE_AUTO_ITEM:
            autoItem = true;
            break;
        default:
            break;
        }
    }

    bool blink = (frameCount() & BLINK_BIT) != 0;
    bool select = false;
    bool cancel = false;
    zqu::test::InputFrame in;
    if (autoItem) {
        select = true;
    } else if (readInput(in)) {
        select = in.select;
        cancel = m_cancelNr >= 0 && in.cancel;
        if (in.mouseOn) {
            for (uint16_t i = 0; i < m_nrItems; ++i) {
                const Item& it = m_items[i];
                if (it.x - HIT_LEFT <= in.mouseX && in.mouseX < it.x + HIT_RIGHT &&
                    it.y <= in.mouseY && in.mouseY < it.y + HIT_HEIGHT) {
                    m_selectNr = i;
                    select = true;
                    break;
                }
            }
        } else if (m_nrItems != 0) {
            // A screen without items has nothing to move between.
            if (in.up) {
                m_selectNr = static_cast<uint16_t>(m_selectNr + m_nrItems - 1);
                blink = true;
            }
            if (in.down) {
                m_selectNr = static_cast<uint16_t>(m_selectNr + 1);
                blink = true;
            }
            m_selectNr = static_cast<uint16_t>(m_selectNr % m_nrItems);
        }
    }

    if (font != nullptr && !select && blink && m_selectNr < m_nrItems) {
        ZqGlFont::m_color = CURSOR_COLOR;
        const Item& it = m_items[m_selectNr];
        print(*font, u"*", it.x - HIT_LEFT, it.y);
    }

    if (select || cancel) {
        act(select ? m_selectNr : static_cast<uint16_t>(m_cancelNr));
    }
    if (font != nullptr) {
        ZqGlFont::end();
    }
}

void ZquScreenTransition::act(const uint16_t item) {
    // An item number the screen does not have (a default, auto or cancel item past the last
    // one) takes nothing.
    Command cmd;
    if (item >= m_nrItems || !readCommand(m_items[item].command, cmd)) {
        return;
    }
    if (cmd.opcode == zqst::OPCODE_JUMP_ITEM) {
        jump(static_cast<int16_t>(cmd.a));
        return;
    }
    // A task number outside the table starts nothing.
    if (cmd.a >= m_nrTasks || m_pTaskTable[cmd.a] == nullptr) {
        return;
    }
    m_taskNr = cmd.a;
    // The results are those of the item taken, which may be the cancel item.
    m_taskCommand = m_items[item].command;
    m_state = STATE_TASK;
    m_pParent->addChildTask(m_pTaskTable[m_taskNr], cmd.b,
                            reinterpret_cast<void*>(static_cast<uintptr_t>(cmd.c)));
}

void ZquScreenTransition::stepTask() {
    if (m_pTaskTable[m_taskNr]->getState() != ZqTask::STATE_IDLE) {
        return;
    }
    const uintptr_t k = reinterpret_cast<uintptr_t>(m_pTaskTable[m_taskNr]->getValue());
    Command cmd;
    if (!readCommand(m_taskCommand, cmd) || cmd.nrResults == 0) {
        // No result screens: the menu that started the task opens again.
        m_state = STATE_INTERPRET;
        return;
    }
    const uint64_t index = std::min<uint64_t>(k, cmd.nrResults - 1u);
    uint16_t target = 0;
    getU16(cmd.operands + index * zqst::WORD, target);
    jump(static_cast<int16_t>(target));
}
