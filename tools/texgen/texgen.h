// Procedural generator of the scene's committed JPEG images (materials, background, logo,
// API badge). Deterministic: the same build of this code always yields the same pixels, so the
// images under scene/assets/ can be regenerated and checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace texgen {

// 8-bit RGB, rows top first, 3 bytes per pixel.
struct Image {
    std::string name;   // file name under scene/assets/, e.g. "set1_diffuse.jpg"
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Every scene image, in a fixed order. fontPath names the TrueType font for the texts of the
// logo and the badge; an empty path selects kDefaultFontPath. Returns an empty list and sets
// *error when the font cannot be loaded.
std::vector<Image> GenerateSceneImages(const std::string& fontPath, std::string* error);

inline constexpr const char* kDefaultFontPath =
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";

// Baseline JPEG, 3 components, at the given quality (1..100).
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality);

inline constexpr int kJpegQuality = 90;

}  // namespace texgen
