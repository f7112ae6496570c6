#include "dorvanex/core/sound/CShuffleBag.h"

#include "dorvanex/core/input/GameRandom.h"

#include <iterator>
#include <new>

CShuffleBag::CShuffleBag(const int32_t* const ids, const uint32_t count)
    : m_ids(ids), m_count(ids != nullptr ? count : 0) {
    fill();
}

int32_t CShuffleBag::draw() {
    if (m_list.empty()) {
        return -1;
    }
    const uint32_t step = getGameRandom() % static_cast<uint32_t>(m_list.size());
    const auto it = std::next(m_list.begin(), step);
    const int32_t id = *it;
    m_list.erase(it);
    return id;
}

void CShuffleBag::remove(const int32_t id) {
    for (auto it = m_list.begin(); it != m_list.end(); ++it) {
        if (*it == id) {
            m_list.erase(it);
            return;
        }
    }
}

bool CShuffleBag::fill() {
    try {
        m_list.insert(m_list.end(), m_ids, m_ids + m_count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
