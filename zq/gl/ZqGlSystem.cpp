#include "zq/gl/ZqGlSystem.h"

#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

bool ZqGlSystem::m_bFullScreen = false;

void ZqGlSystem::sysInit(float, float, const bool fullScreen) { m_bFullScreen = fullScreen; }

void ZqGlSystem::sysQuit() { m_bFullScreen = false; }

void ZqGlSystem::render() { ZqTask::sysDraw(ZqSystem::getTimeTickFloat()); }

void ZqGlSystem::winProcDisplayChange(zqp::WParam, zqp::LParam) {}
