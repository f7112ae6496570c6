#include "zq/io/ZqMarlox4.h"

ZqThread* ZqMarlox4::m_pThread = nullptr;

void ZqMarlox4::sysMain() {}

void ZqMarlox4::quit() {}

void ZqMarlox4::sysQuit() { quit(); }
