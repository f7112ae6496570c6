#include "zq/file/ZqFile.h"

ZqCriticalSection ZqFile::m_csFileQueue;
ZqCriticalSection ZqFile::m_csFileList;

void ZqFile::sysInit() {}

void ZqFile::sysQuit() {}
