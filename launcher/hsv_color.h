// Hue/saturation/value to a 0xAARRGGBB colour, as the splash's particles use.
#pragma once
#include <cstdint>

// hue is taken modulo 6 into [0, 6] (6 stays 6 and gives black factors);
// saturation is clamped to [0, 1], value and alpha to [0, 255].
uint32_t HsvColor(double alpha, double hue, double saturation, double value);
