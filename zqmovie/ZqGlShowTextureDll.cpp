#include "zqmovie/ZqGlShowTextureDll.h"

int ZqGlShowTextureDll::getInterfaceVersion() { return 1; }
