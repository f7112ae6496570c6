// CSequenceManager: creates chapters by number (SequenceFactory), keeps exactly one running
// as a child of the root at update priority 3, and remembers the previous and the pending
// number. A switch that cannot happen (a number without a chapter, no parent to link to)
// leaves the running chapter running and current. A chapter whose create fails, or that is
// still loading after CSequence::LOAD_TIME_LIMIT_MS, is replaced by the self-check chapter
// (42) with operator error row 10 pending; when 42 itself cannot run, the manager throws
// FATAL_NO_CHAPTER to the entry. Main thread only.
#pragma once

#include "dorvanex/core/flow/ChapterId.h"

#include <cstdint>
#include <memory>

class CSequence;
class ZqTask;

class CSequenceManager {
public:
    static constexpr int32_t NONE = -1;
    static constexpr int32_t SELF_CHECK_CHAPTER = chapterNumber(ChapterId::SELF_CHECK);
    // Operator error row "FILEBRK".
    static constexpr int32_t FILE_BROKEN_ERROR_ROW = 10;
    static constexpr unsigned FATAL_NO_CHAPTER = 0x40000042u;

    // Made on first use with every number -1 and no chapter.
    static CSequenceManager* getInstance();
    // Deletes the manager and its chapter (the root's quit).
    static void deleteInstance();

    CSequenceManager() = default;
    ~CSequenceManager();
    CSequenceManager(const CSequenceManager&) = delete;
    CSequenceManager& operator=(const CSequenceManager&) = delete;

    using Factory = std::unique_ptr<CSequence> (*)(int32_t number);
    // Where chapter objects come from (SequenceFactory unless a test gives its own).
    void setFactory(Factory factory);

    // The task chapters are linked under (the root task).
    void setParentTask(ZqTask* parent) { m_pParent = parent; }

    void setNextSequence(int32_t number) { m_pending = number; }
    bool applyNextSequence() { return changeSequence(m_pending); }
    // Replaces the running chapter at once; true when the new chapter runs.
    bool changeSequence(int32_t number);

    int32_t getCurrentSequence() const { return m_current; }
    int32_t getPreviousSequence() const { return m_previous; }
    int32_t getNextSequence() const { return m_pending; }
    CSequence* getCurrentTask() const { return m_pTask.get(); }
    // Deletes the current chapter object (already unlinked) and clears the pointer.
    void releaseCurrent();

    // Called by a chapter that ran out of loading time; the chapter is gone afterwards.
    void onChapterStalled(CSequence* chapter);

private:
    // Posts the file error for the chapter and switches to the self-check chapter.
    bool recover(int32_t failedNumber);

    int32_t m_current = NONE;
    int32_t m_pending = NONE;
    int32_t m_previous = NONE;
    std::unique_ptr<CSequence> m_pTask;
    ZqTask* m_pParent = nullptr;
    Factory m_factory = nullptr;

    static std::unique_ptr<CSequenceManager> m_pInstance;
};

// A new chapter object for a number; null for numbers without a chapter.
std::unique_ptr<CSequence> SequenceFactory(int32_t number);

// Makes the test switch open the operator menu (the boot and self-check chapters set it; the
// root reads it each frame and clears it in its quit).
void setTestButtonEnabled(bool enabled);
bool isTestButtonEnabled();
