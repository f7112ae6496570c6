// CShuffleBag: draws ids at random without repetition (the order of attract scenes, voice
// lines and the like). Made over an array of ids, it hands each one out once and then -1;
// it does not refill itself. Random numbers come from the game's generator (GameRandom.h).
#pragma once

#include <cstdint>
#include <list>

class CShuffleBag {
public:
    // The array is not kept beyond `fill`'s use of it; it must outlive the bag.
    CShuffleBag(const int32_t* ids, uint32_t count);
    ~CShuffleBag() { clear(); }
    CShuffleBag(const CShuffleBag&) = delete;
    CShuffleBag& operator=(const CShuffleBag&) = delete;

    // An id taken out of the bag, or -1 when it is empty.
    int32_t draw();
    // Takes the first entry with that id out.
    void remove(int32_t id);
    // Adds the whole array again; false when memory runs out.
    bool fill();
    void clear() { m_list.clear(); }
    uint32_t getCount() const { return static_cast<uint32_t>(m_list.size()); }

private:
    const int32_t* m_ids;
    uint32_t m_count;
    std::list<int32_t> m_list;
};
