#pragma once
// PNG images as the framework draws them: decoded through libpng into a 32-bit premultiplied
// afBitmap (blue, green, red, alpha), tagged with the image's colour type.

#include "afw/graphics/afBitmap.h"

#include <cstddef>
#include <memory>

// 8-bit RGBA (tag FORMAT_ALPHA, each colour premultiplied: c x a / 255) or 8-bit RGB (tag
// FORMAT_RGB, alpha 255), not interlaced, at most afBitmap::MAX_SIDE pixels a side. Anything
// else, damaged or cut short gives null and one log line naming the cause.
std::unique_ptr<afBitmap> decodePng(const void* bytes, size_t length);
