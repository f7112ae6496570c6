#include "zq/gl/ZqGlLine.h"

uint32_t ZqGlLine::m_color = 0xFFFFFFFFu;

void ZqGlLine::setColor(const uint32_t color) {
    m_color = color;
}

void ZqGlLine::setWidth(float) {}

void ZqGlLine::begin() {}

void ZqGlLine::end() {}

void ZqGlLine::draw(const ZqVector3&, const ZqVector3&) {}

void ZqGlLine::draw(const ZqVector3*, uint32_t) {}

void ZqGlLine::draw(const ZqVector2*, uint32_t) {}
