// The play recorder: the statistics of one play, from the mode choice to the end of the last
// event or continue, in one record of 146 fields that goes to the bookkeeping when the play
// ends (when setting 35 has the bookkeeping on). One recorder, made at root-task start-up;
// every free function does nothing without it. Times are whole seconds of the calendar clock.
// Main thread only.
#pragma once

#include <cstdint>

int32_t playRecorderCreate();
void playRecorderDestroy();
// The record's fields (146), null without the recorder.
const int32_t* playRecordFields();

void playRecordBegin();
void playRecordSetMode(int32_t mode);
void playRecordStartSession();
void playRecordSetCharacters(int32_t p1, int32_t p2);
void playRecordStartGame();
void playRecordSetEvent(int32_t event);
void playRecordEventResult(int32_t flag1, int32_t flag2, int32_t grade);
void playRecordAddGameTime();
void playRecordAddSessionTime();
void playRecordCountContinue();
void playRecordAddModeTime();
void playRecordEnd();
