// The game program's entry. Until the game's own root task exists, it opens the game's
// window and runs frames with a root task that loads the game's font and prints one line.
#include "zq/zq.h"

#include <cstdio>

namespace {

class TaskRoot : public ZqTask {
public:
    uint32_t init() override {
        m_pFont = ZqGlFont::create(0, 0, 16, u"MS P Gothic");
        return 0;
    }
    void quit() override {
        if (m_pFont != nullptr) {
            m_pFont->release();
            m_pFont = nullptr;
        }
    }
    uint32_t main1(float) override {
        addDrawTask(255, 0.0f);
        return 0;
    }
    void draw(float) override {
        if (m_pFont != nullptr) {
            ZqGlFont::setColor(0xFFFFFFFFu);
            m_pFont->simplePrintf(16, 16, u"dorvanex  frame %u", ZqSystem::getFrameCount());
        }
    }

private:
    ZqGlFont* m_pFont = nullptr;
};

constexpr uint32_t WINDOW_STYLE = 0xCA0000u; // caption, system menu, minimise box

} // namespace

int main() {
    TaskRoot root;
    try {
        return ZqSystem::go(nullptr, WINDOW_STYLE, nullptr, 1024, 768, u"dorvanex", false, &root,
                            u"dorvanex mutex name");
    } catch (const unsigned code) {
        if (code == 1034) {
            // The graphics card was refused: leave its capabilities for the operator.
            try {
                ZqGlSystem::reportDeviceCaps(u"dx9caps.txt");
            } catch (const unsigned) {
            }
        }
        std::fprintf(stderr, "An error occured at the application.\nerror code = 0x%08x\n", code);
        // The framework's name and text for the code, when it is one of its own.
        if (const ZqError::Entry* const e = ZqError::find(code); e != nullptr) {
            ZqStringMb name;
            ZqStringMb text;
            zqChar2Utf8(e->name, -1, name);
            zqChar2Utf8(e->text, -1, text);
            std::fprintf(stderr, "%s: %s\n", name.c_str(), text.c_str());
        }
        return static_cast<int>(code);
    }
}
