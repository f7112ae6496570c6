#include "dorvanex/dld/CDldElementList.h"

#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldFrame.h"
#include "dorvanex/dld/CDldLayer.h"

namespace {

void releaseObject(CDldRef*& object) {
    dldRelease(object);
}

} // namespace

CDldLayer* CDldElement::getLayer() const {
    return m_kind == KIND_LAYER ? static_cast<CDldLayer*>(m_pObject) : nullptr;
}

CDldFrame* CDldElement::getFrame() const {
    return m_kind == KIND_FRAME || m_kind == KIND_FRAME_EX ? static_cast<CDldFrame*>(m_pObject)
                                                           : nullptr;
}

bool CDldElement::setPriority(const uint32_t priority) {
    if (priority >= CDldElementList::NR_PRIORITIES || m_pList == nullptr) {
        return false;
    }
    m_pList->unlink(*this);
    m_pList->link(*this, priority);
    return true;
}

void CDldElement::update(const float dt) {
    if ((m_flags & FLAG_UPDATE) == 0 || m_pObject == nullptr) {
        return;
    }
    if (m_kind == KIND_LAYER) {
        static_cast<CDldLayer*>(m_pObject)->update(dt);
    } else if (m_kind == KIND_USER) {
        static_cast<CDldUserCallback*>(m_pObject)->update(dt);
    }
}

void CDldElement::draw() {
    if ((m_flags & FLAG_DRAW) == 0 || m_pObject == nullptr) {
        return;
    }
    switch (m_kind) {
    case KIND_FRAME:
        static_cast<CDldFrame*>(m_pObject)->draw();
        break;
    case KIND_FRAME_EX:
        static_cast<CDldFrameEx*>(m_pObject)->draw();
        break;
    case KIND_LAYER:
        static_cast<CDldLayer*>(m_pObject)->draw();
        break;
    case KIND_USER:
        static_cast<CDldUserCallback*>(m_pObject)->draw();
        break;
    default:
        break;
    }
}

bool CDldElementList::create(const uint32_t count, CDldElementList** const out) {
    if (out == nullptr) {
        return false;
    }
    *out = nullptr;
    CDldElementList* const list = dldCreate<CDldElementList>();
    list->m_pool.resize(count);
    for (uint32_t i = count; i-- > 0;) {
        list->m_pool[i].m_pNext = list->m_pFree;
        list->m_pFree = &list->m_pool[i];
    }
    *out = list;
    return true;
}

CDldElementList::~CDldElementList() {
    clear();
}

void CDldElementList::link(CDldElement& e, const uint32_t priority) {
    e.m_priority = priority;
    e.m_pPrev = nullptr;
    e.m_pNext = m_heads[priority];
    if (e.m_pNext != nullptr) {
        e.m_pNext->m_pPrev = &e;
    }
    m_heads[priority] = &e;
}

void CDldElementList::unlink(CDldElement& e) {
    if (e.m_pPrev != nullptr) {
        e.m_pPrev->m_pNext = e.m_pNext;
    } else {
        m_heads[e.m_priority] = e.m_pNext;
    }
    if (e.m_pNext != nullptr) {
        e.m_pNext->m_pPrev = e.m_pPrev;
    }
    e.m_pPrev = nullptr;
    e.m_pNext = nullptr;
}

CDldElement* CDldElementList::take(CDldRef* object, const uint32_t kind, const uint32_t priority) {
    if (m_pFree == nullptr || priority >= NR_PRIORITIES) {
        releaseObject(object);
        return nullptr;
    }
    CDldElement* const e = m_pFree;
    m_pFree = e->m_pNext;
    e->m_pObject = object;
    e->m_kind = kind;
    e->m_flags = CDldElement::FLAG_UPDATE | CDldElement::FLAG_DRAW;
    e->m_pList = this;
    link(*e, priority);
    return e;
}

CDldElement* CDldElementList::addLayer(CDldFile* const file, const uint32_t layer,
                                       const uint32_t priority) {
    CDldLayer* const object = dldCreate<CDldLayer>();
    object->setFile(file, layer);
    return take(object, CDldElement::KIND_LAYER, priority);
}

CDldElement* CDldElementList::addCell(CDldFile* const file, const uint32_t cell,
                                      const uint32_t priority) {
    const CDldCell c = file != nullptr ? file->getTables().getCell(cell) : CDldCell();
    const bool textured = (c.texture & dldfmt::CELL_NO_TEXTURE) == 0 && file != nullptr;
    return addRect(textured ? file->getTexture(c.texture) : nullptr, c.x, c.y, c.width, c.height,
                   priority);
}

CDldElement* CDldElementList::addRect(ZqGlTexture* const texture, const uint16_t x,
                                      const uint16_t y, const uint16_t width, const uint16_t height,
                                      const uint32_t priority) {
    CDldFrame* const object = dldCreate<CDldFrame>();
    object->setRect(texture, x, y, width, height);
    return take(object, CDldElement::KIND_FRAME, priority);
}

void CDldElementList::update(const uint32_t from, const uint32_t to, const float dt) {
    const uint32_t lo = from < to ? from : to;
    const uint32_t hi = from < to ? to : from;
    for (uint32_t p = lo; p <= hi && p < NR_PRIORITIES; ++p) {
        for (CDldElement* e = m_heads[p]; e != nullptr; e = e->m_pNext) {
            e->update(dt);
        }
    }
}

void CDldElementList::draw(const uint32_t from, const uint32_t to) {
    const int32_t step = from >= to ? -1 : 1;
    for (int32_t p = static_cast<int32_t>(from);; p += step) {
        if (p >= 0 && p < static_cast<int32_t>(NR_PRIORITIES)) {
            for (CDldElement* e = m_heads[p]; e != nullptr; e = e->m_pNext) {
                dldSetCurrentPriority(e->m_priority);
                e->draw();
                dldSetCurrentPriority(CDldQueues::IDLE_PRIORITY);
            }
        }
        if (p == static_cast<int32_t>(to)) {
            break;
        }
    }
}

void CDldElementList::clear() {
    for (CDldElement& e : m_pool) {
        releaseObject(e.m_pObject);
    }
    m_pool.clear();
    m_pool.shrink_to_fit();
    m_pFree = nullptr;
    for (CDldElement*& head : m_heads) {
        head = nullptr;
    }
}
