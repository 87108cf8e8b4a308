// Pictures of what the screen shows, written as baseline JPEG files.
#pragma once

#include <string>

// Repacks pixelCount 32-bit pixels (0xAARRGGBB words in the machine's byte
// order, as screen grabs deliver them) into 3 bytes each: red, green, blue.
// dst may be src: the destination never overtakes the source.
void Jpg_CopyRGB32to24(unsigned char* dst, const unsigned char* src, int pixelCount);

// Writes a bitmap as a JPEG file with the given quality (0..100, baseline).
// depth: 8 (one grey byte per pixel), 24 (red, green, blue bytes) or 32
// (0xAARRGGBB words); rows of bytesPerRow bytes, top row first. The bitmap is
// not changed. Returns 0 for a written file, 1 for any failure, with *error
// (if given) saying why; a failure leaves no file, and an existing file at
// fileName stays as it was.
int Jpg_SaveBitmapToFile(const unsigned char* bits, int bytesPerRow, int depth, int width,
                         int height, const char* fileName, int quality,
                         std::string* error = nullptr);
