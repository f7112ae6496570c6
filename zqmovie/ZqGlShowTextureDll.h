// ZqGlShowTextureDll: the movie player that libzq creates for each movie texture.
// The player itself comes with the movie support; this library is built and linked now so
// that the framework's dependency on it is in place.
#pragma once

class ZqGlShowTextureDll {
public:
    // The plug-in's interface version, checked by the framework when it loads movies.
    static int getInterfaceVersion();
};
