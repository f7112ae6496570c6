// ChapterTable: one row per chapter number, the only place that says which object a number
// makes and which chapter follows it. SequenceFactory builds from it; tests and the
// harness look chapters up by number or name here.
#pragma once

#include "dorvanex/core/flow/ChapterId.h"

#include <cstdint>
#include <memory>
#include <span>

class CSequence;

struct ChapterRow {
    ChapterId id;
    const char* name;
    std::unique_ptr<CSequence> (*make)(const ChapterRow& row);
    // Where the stand-in goes after its time, and when player 1's first button goes on.
    ChapterId next;
    ChapterId nextOnButton;
};

std::span<const ChapterRow> chapterTable();
// The row of a chapter number; null for numbers without a chapter.
const ChapterRow* findChapter(int32_t number);
