// The validation's picture comparison, reference lookup and PNG handling (the rendering part
// is covered end to end).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/validate.h"

namespace {

RgbImage Gradient(int w, int h)
{
    RgbImage img;
    img.width = w;
    img.height = h;
    img.rgb.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
            p[2] = static_cast<uint8_t>((x + y) % 256);
        }
    return img;
}

// A bright disc on dark grey: a stand-in for the sphere over the background.
RgbImage Disc(int w, int h, int cx, int cy, int r)
{
    RgbImage img;
    img.width = w;
    img.height = h;
    img.rgb.assign(static_cast<size_t>(w) * h * 3, 40);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                uint8_t* p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
                p[0] = 200;
                p[1] = 150;
                p[2] = 90;
            }
    return img;
}

TEST(ValidateCompare, IdenticalAndSlightlyNoisyPicturesPass)
{
    const RgbImage ref = Gradient(64, 48);
    ImageComparison same = CompareImages(ref, ref, kDriverTolerance);
    EXPECT_TRUE(same.passed);
    EXPECT_EQ(same.max_error, 0);
    EXPECT_EQ(same.bad_fraction, 0.0);

    // Rounding noise of +-2 everywhere and a few outliers along an edge.
    RgbImage noisy = ref;
    for (size_t i = 0; i < noisy.rgb.size(); ++i)
        noisy.rgb[i] = static_cast<uint8_t>(std::clamp(int(noisy.rgb[i]) + int(i % 5) - 2, 0, 255));
    for (int x = 0; x < 10; ++x)
        noisy.rgb[(static_cast<size_t>(20) * 64 + x) * 3] ^= 0x80;
    ImageComparison c = CompareImages(noisy, ref, kDriverTolerance);
    EXPECT_TRUE(c.passed) << c.bad_fraction << " " << c.mean_error;
    EXPECT_NEAR(c.max_error, 128, 2);  // the outliers, give or take the noise
}

TEST(ValidateCompare, WrongPicturesFail)
{
    const RgbImage ref = Disc(80, 60, 40, 30, 20);
    // A black frame (nothing rendered).
    RgbImage black = ref;
    std::fill(black.rgb.begin(), black.rgb.end(), 0);
    EXPECT_FALSE(CompareImages(black, ref, kGenericTolerance).passed);
    // The object missing: background only.
    RgbImage empty = ref;
    std::fill(empty.rgb.begin(), empty.rgb.end(), 40);
    EXPECT_FALSE(CompareImages(empty, ref, kGenericTolerance).passed);
    // The object in the wrong place.
    EXPECT_FALSE(CompareImages(Disc(80, 60, 55, 30, 20), ref, kGenericTolerance).passed);
    // Wrong colours (channels swapped: a texture bound to the wrong unit).
    RgbImage swapped = ref;
    for (size_t p = 0; p < swapped.rgb.size(); p += 3)
        std::swap(swapped.rgb[p], swapped.rgb[p + 2]);
    EXPECT_FALSE(CompareImages(swapped, ref, kGenericTolerance).passed);
    // Upside down (a read-back that forgot GL's bottom-up rows).
    EXPECT_FALSE(CompareImages(Disc(80, 60, 40, 20, 20), Disc(80, 60, 40, 40, 20),
                               kGenericTolerance).passed);
    // The generic tolerance forgives a rasteriser's edge differences: one pixel larger disc.
    EXPECT_TRUE(CompareImages(Disc(80, 60, 40, 30, 21), ref, kGenericTolerance).passed);
    EXPECT_FALSE(CompareImages(Disc(80, 60, 40, 30, 21), ref, kDriverTolerance).passed);
}

TEST(ValidateCompare, SizeMismatchOrEmptyPicturesFail)
{
    const RgbImage ref = Gradient(64, 48);
    ImageComparison c = CompareImages(Gradient(48, 64), ref, kGenericTolerance);
    EXPECT_FALSE(c.passed);
    EXPECT_TRUE(c.size_mismatch);
    RgbImage truncated = ref;
    truncated.rgb.resize(truncated.rgb.size() - 3);
    EXPECT_FALSE(CompareImages(truncated, ref, kGenericTolerance).passed);
    EXPECT_FALSE(CompareImages(RgbImage{}, RgbImage{}, kGenericTolerance).passed);
}

TEST(ValidateDriverKey, NamesDriversWithTheirOwnReferences)
{
    EXPECT_EQ(ValidationDriverKey("llvmpipe (LLVM 15.0.6, 256 bits)"), "llvmpipe");
    EXPECT_EQ(ValidationDriverKey("LLVMPIPE"), "llvmpipe");
    EXPECT_EQ(ValidationDriverKey("softpipe"), "softpipe");
    EXPECT_EQ(ValidationDriverKey("NVIDIA GeForce RTX 4090/PCIe/SSE2"), "generic");
    EXPECT_EQ(ValidationDriverKey(""), "generic");
    EXPECT_EQ(ValidationDriverKey(nullptr), "generic");
    // Layers are judged by what rasterises under them.
    EXPECT_EQ(ValidationDriverKey("zink (llvmpipe (LLVM 15.0.6, 256 bits))"), "llvmpipe");
    EXPECT_EQ(ValidationDriverKey("zink Vulkan 1.3(llvmpipe (LLVM 19.1.7, 256 bits) (MESA_LLVMPIPE))"), "llvmpipe");
    EXPECT_EQ(ValidationDriverKey("zink Vulkan 1.3(NVIDIA GeForce RTX 4070 (MESA_NVK))"), "generic");
    EXPECT_EQ(ValidationDriverKey("D3D12 (NVIDIA GeForce RTX 3080)"), "generic");
}

TEST(ValidatePng, RoundTripsAndRejectsGarbage)
{
    const RgbImage img = Gradient(33, 17);
    const auto png = EncodePng(img);
    ASSERT_FALSE(png.empty());
    auto back = DecodePng(png);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->width, 33);
    EXPECT_EQ(back->height, 17);
    EXPECT_EQ(back->rgb, img.rgb);
    EXPECT_FALSE(DecodePng({}).has_value());
    EXPECT_FALSE(DecodePng({0x89, 'P', 'N', 'G', 1, 2, 3}).has_value());
    std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    EXPECT_FALSE(DecodePng(cut).has_value());
}

class ValidateReferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("gridfall_refs_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        setenv("GRIDFALL_VALIDATE_REFERENCES", dir_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("GRIDFALL_VALIDATE_REFERENCES");
        std::filesystem::remove_all(dir_);
    }
    void Write(const std::string& name, const RgbImage& img)
    {
        const auto png = EncodePng(img);
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    std::filesystem::path dir_;
};

TEST_F(ValidateReferences, DriverReferenceFirstThenGeneric)
{
    Write("sphere_t0-llvmpipe.png", Gradient(8, 8));
    Write("sphere_t0-generic.png", Disc(8, 8, 4, 4, 2));
    std::string used;
    auto own = LoadValidationReference("sphere_t0", "llvmpipe", &used);
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(used, "llvmpipe");
    EXPECT_EQ(own->rgb, Gradient(8, 8).rgb);

    auto other = LoadValidationReference("sphere_t0", "softpipe", &used);
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(used, "generic");
    EXPECT_EQ(other->rgb, Disc(8, 8, 4, 4, 2).rgb);

    EXPECT_FALSE(LoadValidationReference("sphere_t9", "llvmpipe", &used).has_value());
}

TEST_F(ValidateReferences, LlvmpipePictureServesAsTheGenericOne)
{
    Write("sphere_t0-llvmpipe.png", Gradient(8, 8));
    std::string used;
    auto other = LoadValidationReference("sphere_t0", "generic", &used);
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(used, "generic");  // so the loose tolerance applies
    EXPECT_EQ(other->rgb, Gradient(8, 8).rgb);
}

TEST(ValidateCaptures, AreFixedAndNamedForReferenceFiles)
{
    const auto& caps = ValidationCaptures();
    ASSERT_GE(caps.size(), 2u);
    for (const auto& c : caps) {
        EXPECT_GT(c.frames, 0);
        EXPECT_GE(c.dtSeconds, 0.0f);
        EXPECT_EQ(std::string(c.name).find_first_of("/-. "), std::string::npos) << c.name;
    }
}

}  // namespace
