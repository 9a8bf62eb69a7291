// The library-wide values, one set per calling thread: the client's folder,
// pi and its degrees-to-radians factor, and the mouse values of the input part.
#pragma once
#include <cstdint>
#include <string>

namespace korva2d {

struct LibraryValues {
    std::string AppPath;  // every library file is AppPath + "\" + name
    float Pi = 0;
    float Rad = 0;
    int32_t MouseX = 0, MouseY = 0, MouseWheel = 0;
    int16_t MouseB1 = 0, MouseB2 = 0, MouseB3 = 0;
};

LibraryValues& Lib();

// Sets Pi = 4 x arctan(1) and Rad = Pi / 180, each as a 32-bit float.
void SetPiAndRad();

}  // namespace korva2d
