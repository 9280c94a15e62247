#include "results/rgb_image.h"

#include <algorithm>
#include <cstdlib>

// Private static copies of the stb codecs; their unused entry points would warn.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

void AppendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

}  // namespace

ImageComparison CompareImages(const RgbImage& actual, const RgbImage& reference,
                              const ImageTolerance& tolerance)
{
    ImageComparison c;
    const size_t expected = static_cast<size_t>(reference.width) * reference.height * 3;
    if (actual.width != reference.width || actual.height != reference.height ||
        actual.rgb.size() != expected || reference.rgb.size() != expected || expected == 0) {
        c.size_mismatch = true;
        return c;
    }
    uint64_t sum = 0;
    size_t bad = 0;
    int worst = 0;
    for (size_t p = 0; p < expected; p += 3) {
        int pixelWorst = 0;
        for (size_t k = 0; k < 3; ++k) {
            const int d = std::abs(int(actual.rgb[p + k]) - int(reference.rgb[p + k]));
            sum += static_cast<uint64_t>(d);
            pixelWorst = std::max(pixelWorst, d);
        }
        worst = std::max(worst, pixelWorst);
        bad += pixelWorst > tolerance.pixel_threshold;
    }
    c.mean_error = static_cast<double>(sum) / static_cast<double>(expected);
    c.bad_fraction = static_cast<double>(bad) / static_cast<double>(expected / 3);
    c.max_error = worst;
    c.passed = c.bad_fraction <= tolerance.max_bad_fraction &&
               c.mean_error <= tolerance.max_mean_error;
    return c;
}

std::optional<RgbImage> DecodePng(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return std::nullopt;
    int w = 0, h = 0, comp = 0;
    unsigned char* p = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h,
                                             &comp, 3);
    if (!p)
        return std::nullopt;
    RgbImage img;
    img.width = w;
    img.height = h;
    img.rgb.assign(p, p + static_cast<size_t>(w) * h * 3);
    stbi_image_free(p);
    return img;
}

std::vector<uint8_t> EncodePng(const RgbImage& image)
{
    std::vector<uint8_t> out;
    stbi_write_png_to_func(AppendBytes, &out, image.width, image.height, 3, image.rgb.data(),
                           image.width * 3);
    return out;
}
