// ZqDgCollision: a named list of figures built from collision data ("QVINTER",
// ZqDgCollisionFormat.h), whose records may place their figures in the frame of a parent
// record. Shared by name and reference-counted (pool of 10); reload rebuilds a set in place
// while its holders keep their pointer. Create, reload and release hold the pool's lock; the
// figure members take none and check no ranges: a set is used by one thread at a time.
// Depends on ZqRefList, ZqFile and the figure classes.
#pragma once

#include "zq/dg/ZqDgFigure.h"
#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <deque>
#include <memory>

class ZqDgCollision : public ZqRefList<ZqDgCollision> {
public:
    static constexpr uint32_t POOL_SIZE = 10;

    // Figure type number of each stored figure kind; filled by sysInit.
    static uint8_t m_vFigureTypeConvTab[12];

    static void sysInit();
    static void sysQuit();

    // A set built from data in memory; null for a null or empty name, a size below 32 or above
    // 32767 (when data is given), a full pool or data that is refused. Null data gives an
    // empty set. A name in use returns that set with one more reference, data unread.
    static ZqDgCollision* create(const char16_t* name, const void* data, unsigned int size);
    // The same with the data read whole from a file through the current file Io; a null file
    // name gives an empty set.
    static ZqDgCollision* create(const char16_t* name, const char16_t* fileName);
    static ZqDgCollision* create(const char16_t* name) { return create(name, name); }

    // Rebuilds this live set in place; null, the figures unchanged, on failure.
    ZqDgCollision* reload(const void* data, unsigned int size);
    ZqDgCollision* reload(const char16_t* fileName);
    // Drops one reference; at 0 the figures are deleted. Returns the count left.
    unsigned int release();

    unsigned int getNrFigures() const { return static_cast<unsigned int>(m_figures.size()); }
    ZqDgFigure* getFigure(const unsigned int i) const { return m_figures[i].get(); }
    // Takes ownership of figure; returns the new count.
    unsigned int addFigure(ZqDgFigure* figure);
    // Deletes figure i; later figures move down by one. Returns the new count.
    unsigned int removeFigure(unsigned int i);
    void removeAllFigures();
    // Every figure's draw(false) in list order, or figure i's.
    void draw() const;
    void draw(unsigned int i) const;

private:
    friend class ZqFixList<ZqDgCollision>;
    friend class ZqRefList<ZqDgCollision>;

    ZqDgCollision() = default;
    ~ZqDgCollision() override;

    // Builds the figures of data into this (empty) set; false, with no figure left, when the
    // data is refused. Null data succeeds with no figures.
    bool createBody(const void* data, uint32_t size);
    // Deletes this set's figures and takes over other's list.
    void reloadBody(ZqDgCollision& other);
    void releaseBody() { removeAllFigures(); }

    std::deque<std::unique_ptr<ZqDgFigure>> m_figures;
};
