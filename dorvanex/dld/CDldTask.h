// The layout player: stand-in until the layout format and its player land. An element only
// records what it was told (layer, looping, playing, drawn); a display list holds elements by
// priority and draws nothing; the layout task registers its draw at priority 5 each frame and
// draws nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>
#include <memory>
#include <vector>

class CDldElement {
public:
    CDldElement(uint32_t layer, uint32_t priority) : m_layer(layer), m_priority(priority) {}

    // Plays a layer; end mode 0 loops, 1 stops at its end.
    void play(uint32_t layer, uint32_t endMode) {
        m_layer = layer;
        m_looping = endMode == 0;
        m_playing = true;
    }
    void setDrawEnable(bool on) { m_drawEnable = on; }
    void setFilter(uint32_t filter) { m_filter = filter; }
    uint32_t getLayer() const { return m_layer; }
    uint32_t getPriority() const { return m_priority; }
    bool isPlaying() const { return m_playing; }
    bool isLooping() const { return m_looping; }
    bool isDrawEnabled() const { return m_drawEnable; }

private:
    uint32_t m_layer;
    uint32_t m_priority;
    uint32_t m_filter = 0;
    bool m_looping = false;
    bool m_playing = false;
    bool m_drawEnable = true;
};

class CDldDisplayList {
public:
    explicit CDldDisplayList(uint32_t capacity) : m_capacity(capacity) {}

    // Null when the list is full.
    CDldElement* add(uint32_t layer, uint32_t priority);
    void update(float timeTick) { m_time += timeTick; }
    void draw() const {}

private:
    uint32_t m_capacity;
    float m_time = 0.0f;
    std::vector<std::unique_ptr<CDldElement>> m_elements;
};

class CDldTask : public ZqTask {
public:
    static constexpr uint16_t DRAW_PRIORITY = 5;
    uint32_t main1(float) override {
        addDrawTask(DRAW_PRIORITY, 0.0f);
        return 0;
    }
    void draw(float) override {}
};
