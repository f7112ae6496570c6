// The two particle-effect systems (the framework's engine and the game's own build of it):
// stand-in until the effects land. Creating and releasing them does nothing but keep count.
// Stand-in: creating and releasing only keep count; replaced by the effects of #44.
#pragma once

class CEffectSystems {
public:
    static void create() { m_created = true; }
    static void release() { m_created = false; }
    static bool isCreated() { return m_created; }

private:
    static inline bool m_created = false;
};
