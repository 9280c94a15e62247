// The committed scene images must be exactly what the generator makes today, and each normal
// map must follow its height map in the documented convention (+X right, +Y up, +Z out).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

// A private static copy of the decoder; its unused entry points would warn.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

#include "tools/texgen/texgen.h"

namespace {

struct Decoded {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};

Decoded Decode(const std::vector<uint8_t>& bytes)
{
    Decoded d;
    int comp = 0;
    unsigned char* p = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &d.w,
                                             &d.h, &comp, 3);
    if (p) {
        d.rgb.assign(p, p + static_cast<size_t>(d.w) * d.h * 3);
        stbi_image_free(p);
    }
    return d;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Baseline (SOF0) with three components: what the scene's decoder is promised.
bool IsBaselineRgbJpeg(const std::vector<uint8_t>& b)
{
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    size_t i = 2;
    while (i + 9 < b.size()) {
        if (b[i] != 0xFF)
            return false;
        uint8_t marker = b[i + 1];
        size_t len = static_cast<size_t>(b[i + 2]) << 8 | b[i + 3];
        if (marker == 0xC0)
            return b[i + 9] == 3;
        if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return false;  // progressive, lossless or arithmetic-coded
        i += 2 + len;
    }
    return false;
}

class SceneImages : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        images_ = new std::vector<texgen::Image>(texgen::GenerateSceneImages("", &error));
        error_ = new std::string(error);
    }
    static void TearDownTestSuite()
    {
        delete images_;
        delete error_;
    }
    static const texgen::Image* Find(const std::string& name)
    {
        for (const auto& i : *images_)
            if (i.name == name)
                return &i;
        return nullptr;
    }
    static std::string AssetPath(const std::string& name)
    {
        return std::string(GRIDFALL_SOURCE_DIR) + "/scene/assets/" + name;
    }
    static inline std::vector<texgen::Image>* images_ = nullptr;
    static inline std::string* error_ = nullptr;
};

TEST_F(SceneImages, FifteenImagesOfTheDocumentedSizes)
{
    ASSERT_FALSE(images_->empty()) << *error_;
    const std::map<std::string, std::pair<int, int>> expected = {
        {"background.jpg", {512, 512}},
        {"set1_diffuse.jpg", {512, 512}}, {"set1_bump.jpg", {512, 512}}, {"set1_normal.jpg", {512, 512}},
        {"set2_diffuse.jpg", {512, 512}}, {"set2_bump.jpg", {512, 512}}, {"set2_normal.jpg", {512, 512}},
        {"set3_diffuse.jpg", {512, 512}}, {"set3_bump.jpg", {512, 512}}, {"set3_normal.jpg", {512, 512}},
        {"set4_diffuse.jpg", {1024, 1024}}, {"set4_bump.jpg", {1024, 1024}},
        {"set4_normal.jpg", {1024, 1024}},
        {"logo_small.jpg", {150, 148}}, {"api_badge.jpg", {256, 128}},
    };
    ASSERT_EQ(images_->size(), expected.size());
    for (const auto& img : *images_) {
        auto it = expected.find(img.name);
        ASSERT_NE(it, expected.end()) << img.name;
        EXPECT_EQ(img.width, it->second.first) << img.name;
        EXPECT_EQ(img.height, it->second.second) << img.name;
        EXPECT_EQ(img.rgb.size(), static_cast<size_t>(img.width) * img.height * 3) << img.name;
    }
}

TEST_F(SceneImages, CommittedFilesMatchARegeneration)
{
    ASSERT_FALSE(images_->empty()) << *error_;
    for (const auto& img : *images_) {
        SCOPED_TRACE(img.name);
        std::vector<uint8_t> committed = ReadFile(AssetPath(img.name));
        ASSERT_FALSE(committed.empty()) << "missing; run `ninja scene_images`";
        EXPECT_TRUE(IsBaselineRgbJpeg(committed));
        Decoded a = Decode(committed);
        Decoded b = Decode(texgen::EncodeJpeg(img, texgen::kJpegQuality));
        ASSERT_EQ(a.w, img.width);
        ASSERT_EQ(a.h, img.height);
        ASSERT_EQ(b.w, img.width);
        size_t differing = 0;
        for (size_t i = 0; i < a.rgb.size(); ++i)
            differing += a.rgb[i] != b.rgb[i];
        EXPECT_EQ(differing, 0u) << "regenerate with `ninja scene_images` and commit";
    }
}

TEST_F(SceneImages, SecondSetUsesOneImageForDiffuseAndBump)
{
    ASSERT_FALSE(images_->empty()) << *error_;
    EXPECT_EQ(ReadFile(AssetPath("set2_diffuse.jpg")), ReadFile(AssetPath("set2_bump.jpg")));
}

TEST_F(SceneImages, LogoSurroundIsBlack)
{
    const texgen::Image* logo = Find("logo_small.jpg");
    ASSERT_NE(logo, nullptr);
    // The scene keys near-black (below 4) to transparent; the corners must qualify after
    // JPEG compression, so check the decoded committed file.
    Decoded d = Decode(ReadFile(AssetPath("logo_small.jpg")));
    ASSERT_EQ(d.w, 150);
    for (auto [x, y] : {std::pair{0, 0}, {149, 0}, {0, 147}, {149, 147}, {3, 60}, {146, 60}}) {
        const uint8_t* p = &d.rgb[(static_cast<size_t>(y) * d.w + x) * 3];
        EXPECT_LT(p[0] + p[1] + p[2], 3 * 4) << x << "," << y;
    }
}

// Correlates each normal map's X and Y with the slope of its height map: a flipped axis or a
// normal map computed from the wrong height shows up as a weak or negative correlation.
TEST_F(SceneImages, NormalMapsFollowTheirHeightMaps)
{
    ASSERT_FALSE(images_->empty()) << *error_;
    for (int set = 1; set <= 4; ++set) {
        SCOPED_TRACE(set);
        const std::string prefix = "set" + std::to_string(set);
        const texgen::Image* bump = Find(prefix + "_bump.jpg");
        const texgen::Image* normal = Find(prefix + "_normal.jpg");
        ASSERT_TRUE(bump && normal);
        const int w = bump->width, h = bump->height;
        auto height = [&](int x, int y) {
            x = (x + w) % w;
            y = (y + h) % h;
            return bump->rgb[(static_cast<size_t>(y) * w + x) * 3] / 255.0;  // red = height
        };
        double sxx = 0, sx = 0, sxn = 0, syy = 0, sy = 0, syn = 0, snx = 0, sny = 0, snx2 = 0,
               sny2 = 0, minZ = 1;
        size_t n = 0;
        for (int y = 0; y < h; y += 3)
            for (int x = 0; x < w; x += 3) {
                const uint8_t* p = &normal->rgb[(static_cast<size_t>(y) * w + x) * 3];
                double nx = p[0] / 127.5 - 1, ny = p[1] / 127.5 - 1, nz = p[2] / 127.5 - 1;
                double len = std::sqrt(nx * nx + ny * ny + nz * nz);
                EXPECT_NEAR(len, 1.0, 0.03);
                minZ = std::min(minZ, nz);
                double gx = -(height(x + 1, y) - height(x - 1, y));   // uphill to the right
                double gy = -(height(x, y - 1) - height(x, y + 1));   // uphill to the top
                sx += gx; sxx += gx * gx; sxn += gx * nx; snx += nx; snx2 += nx * nx;
                sy += gy; syy += gy * gy; syn += gy * ny; sny += ny; sny2 += ny * ny;
                ++n;
            }
        auto corr = [n](double sa, double saa, double sb, double sbb, double sab) {
            double cov = sab / n - sa / n * sb / n;
            return cov / std::sqrt((saa / n - sa * sa / n / n) * (sbb / n - sb * sb / n / n));
        };
        EXPECT_GT(corr(sx, sxx, snx, snx2, sxn), 0.8);
        EXPECT_GT(corr(sy, syy, sny, sny2, syn), 0.8);
        EXPECT_GT(minZ, 0.0);  // never pointing into the surface
    }
}

TEST(SceneImageGenerator, MissingFontIsReported)
{
    std::string error;
    auto images = texgen::GenerateSceneImages("/nonexistent/font.ttf", &error);
    EXPECT_TRUE(images.empty());
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos);
}

}  // namespace
