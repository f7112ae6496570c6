// The camera manager: stand-in until the cameras land. It holds no camera.
// Stand-in: holds no camera; replaced by the cameras of #42.
#pragma once

#include <memory>

class CCameraManager {
public:
    static CCameraManager* getInstance() {
        if (!instance()) {
            instance() = std::make_unique<CCameraManager>();
        }
        return instance().get();
    }
    static void deleteInstance() { instance().reset(); }

private:
    static std::unique_ptr<CCameraManager>& instance() {
        static std::unique_ptr<CCameraManager> manager;
        return manager;
    }
};
