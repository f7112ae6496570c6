#include "dorvanex/dld/CDldTask.h"

CDldElement* CDldDisplayList::add(const uint32_t layer, const uint32_t priority) {
    if (m_elements.size() >= m_capacity) {
        return nullptr;
    }
    m_elements.push_back(std::make_unique<CDldElement>(layer, priority));
    return m_elements.back().get();
}
