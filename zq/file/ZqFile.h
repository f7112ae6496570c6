// ZqFile: files and the file worker. So far only the start and stop the system calls and
// the two load-time locks exist.
#pragma once

#include "zq/thread/ZqCriticalSection.h"

class ZqFile {
public:
    static void sysInit();
    static void sysQuit();

    static ZqCriticalSection m_csFileQueue;
    static ZqCriticalSection m_csFileList;
};
