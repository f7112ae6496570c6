// ZquScreenTransition: plays a screen-transition script (ZquScreenTransitionFormat.h), the
// numbered text screens of test and service menus. Each screen prints located, coloured text
// lines with a font; some lines are items that jump to another screen or start a child task
// and, once that task has ended, jump to the screen its result picks. The cursor blinks on
// the selected item; up, down, select, cancel and the mouse's first button choose.
// Not for: the game's own screens (the game makes none; the frame still runs the hooks).
// Depends on: ZqFixList, ZqGlFont, ZqInput, ZqTask, ZqSystem (frame counter, window focus).
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/u/transition/ZquScreenTransitionFormat.h"

#include <cstdint>

class ZqGlFont;
class ZqTask;

class ZquScreenTransition : public ZqFixList<ZquScreenTransition> {
public:
    static constexpr uint32_t POOL_SIZE = 32;

    enum STATE : uint16_t {
        STATE_INTERPRET = 0, // collecting the current screen's items (next sysMain)
        STATE_SELECT = 1,    // drawn and waiting for input (each sysDraw)
        STATE_TASK = 2,      // waiting for the child task to end (each sysMain)
        STATE_END = 3,       // finished; stays until release
    };

    // Pool of POOL_SIZE players; sysQuit releases any still in use.
    static void sysInit();
    static void sysQuit();
    // Per frame, from the graphics device: sysMain before the scene (interpret, task wait),
    // sysDraw inside it before the task tree draws (draw and take input).
    static void sysMain();
    static void sysDraw();

    // A player of the script image of `size` bytes, which the caller keeps until release.
    // `font` may be null: nothing is drawn, the script still runs. `taskTable` holds
    // `nrTasks` child tasks, indexed by the task items' task number. Null when image, parent
    // or task table is null, when the image is too short for its offset table, when it names
    // more than 65,535 screens, or when the pool is full.
    static ZquScreenTransition* create(const void* image, uint32_t size, ZqGlFont* font,
                                       ZqTask* parent, ZqTask* const* taskTable, uint32_t nrTasks);
    // Gives the player back to the pool; returns 0.
    unsigned int release();

    uint16_t getNrScreenTransitions() const { return m_nrScreens; }
    uint16_t getScreenTransitionNr() const { return m_screenNr; }
    uint16_t getNrSelects() const { return m_nrItems; }
    uint16_t getSelectNr() const { return m_selectNr; }
    // The running child task's number while the state is STATE_TASK, else -1.
    int32_t getTaskNr() const { return m_state == STATE_TASK ? m_taskNr : -1; }
    STATE getState() const { return m_state; }

    ZquScreenTransition() = default;
    ~ZquScreenTransition() override = default;

private:
    struct Item {
        int32_t x = 0;
        int32_t y = 0;
        uint32_t command = 0; // offset of its JUMP_ITEM or TASK_ITEM command
    };
    // What one command is: its opcode, operands read so far and where the next one starts.
    struct Command;

    // Word and u32 (high word first) at a byte offset; false past the image's end.
    bool getU16(uint64_t at, uint16_t& out) const;
    bool getU32(uint64_t at, uint32_t& out) const;
    // Offset-table entries n and n + 1: where screen n starts and ends (byte offsets).
    bool getScreenTransitionAddr(uint32_t n, uint32_t& out) const;
    bool getScreenTransitionEndAddr(uint32_t n, uint32_t& out) const;
    // Makes screen n current; an empty range for a screen outside the table or the image.
    void setScreen(uint16_t n);
    // Reads the command at `at` below the screen's end; false when it is cut short or unknown.
    bool readCommand(uint64_t at, Command& out) const;
    // Goes to screen `target`, or ends on a target that is negative or past the last screen.
    void jump(int32_t target);

    // Every player in use, under the pool's lock: the frame's steps, or the drawing ones.
    static void stepAll(bool drawing);
    void stepInterpret();
    void stepSelect();
    void stepTask();
    void act(uint16_t item);
    // Moves the text position as a LOCATE command says.
    void locate(const Command& cmd, int32_t& x, int32_t& y) const;

    const uint8_t* m_pImage = nullptr;
    uint32_t m_imageSize = 0;
    ZqGlFont* m_pFont = nullptr;
    ZqTask* m_pParent = nullptr;
    ZqTask* const* m_pTaskTable = nullptr;
    uint32_t m_nrTasks = 0;
    uint16_t m_taskNr = 0;
    // The task item that started the running child (its result screens).
    uint32_t m_taskCommand = 0;
    uint16_t m_nrScreens = 0;
    uint16_t m_screenNr = 0;
    STATE m_state = STATE_INTERPRET;
    uint32_t m_screenStart = 0;
    uint32_t m_screenEnd = 0;
    uint16_t m_selectNr = 0;
    int16_t m_cancelNr = -1;
    uint16_t m_nrItems = 0;
    Item m_items[zqst::MAX_ITEMS];
};
