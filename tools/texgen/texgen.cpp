// Procedural materials for the tessellated sphere and the 2D images around it.
//
// All noise is periodic over the unit square, so every map tiles: the sphere's texture
// coordinates wrap around at u = 0/1 and a seam would show as a crease in the displacement.
// Randomness comes from integer hashing only (no std::rand, no distributions whose output
// differs between standard libraries), which keeps the output identical on every run.
//
// Normal maps: tangent space, +Z out of the surface, +X towards increasing u (image right),
// +Y towards the image top ("green up", the OpenGL convention), stored as n * 0.5 + 0.5.
// The scene flips every image vertically on load, so the image top is v = 1.
#include "tools/texgen/texgen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include <ft2build.h>
#include FT_FREETYPE_H

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace texgen {
namespace {

constexpr float kPi = 3.14159265358979323846f;

struct Rgb {
    float r, g, b;
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
Rgb Mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }

float Clamp01(float x) { return std::min(1.0f, std::max(0.0f, x)); }
float Smooth(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
uint8_t ToByte(float x) { return static_cast<uint8_t>(std::lround(Clamp01(x) * 255.0f)); }

uint32_t Hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    h *= 0xc2b2ae35u;
    h ^= h >> 15;
    return h;
}
float HashUnit(int32_t x, int32_t y, uint32_t seed)
{
    return static_cast<float>(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}
int32_t Wrap(int32_t i, int32_t period) { return ((i % period) + period) % period; }

// Sixteen unit gradient directions, taken from a table so no trig runs per sample.
const std::array<std::array<float, 2>, 16>& Gradients()
{
    static const auto table = [] {
        std::array<std::array<float, 2>, 16> t{};
        for (int i = 0; i < 16; ++i) {
            float a = (static_cast<float>(i) + 0.5f) * (2.0f * kPi / 16.0f);
            t[i] = {std::cos(a), std::sin(a)};
        }
        return t;
    }();
    return table;
}

// Gradient noise in about [-0.7, 0.7], periodic with `period` lattice cells.
float Noise(float x, float y, int32_t period, uint32_t seed)
{
    const auto& grad = Gradients();
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float tx = x - fx, ty = y - fy;
    auto dot = [&](int32_t cx, int32_t cy, float dx, float dy) {
        const auto& g = grad[Hash(Wrap(cx, period), Wrap(cy, period), seed) & 15u];
        return g[0] * dx + g[1] * dy;
    };
    float n00 = dot(ix, iy, tx, ty);
    float n10 = dot(ix + 1, iy, tx - 1.0f, ty);
    float n01 = dot(ix, iy + 1, tx, ty - 1.0f);
    float n11 = dot(ix + 1, iy + 1, tx - 1.0f, ty - 1.0f);
    auto fade = [](float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); };
    float u = fade(tx), v = fade(ty);
    float a = n00 + (n10 - n00) * u;
    float b = n01 + (n11 - n01) * u;
    return a + (b - a) * v;
}

// Fractal sum over octaves, u and v in [0, 1); roughly [-1, 1].
float Fbm(float u, float v, int32_t basePeriod, int octaves, uint32_t seed, float gain = 0.5f)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    int32_t period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Noise(u * static_cast<float>(period), v * static_cast<float>(period), period,
                           seed + static_cast<uint32_t>(o) * 7919u);
        norm += amp;
        amp *= gain;
        period *= 2;
    }
    return sum / norm * 1.6f;
}

// Ridged fractal: sharp crests where the noise crosses zero; [0, 1].
float Ridged(float u, float v, int32_t basePeriod, int octaves, uint32_t seed)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    int32_t period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        float n = 1.0f - std::fabs(Noise(u * static_cast<float>(period),
                                         v * static_cast<float>(period), period,
                                         seed + static_cast<uint32_t>(o) * 104729u) * 1.4f);
        sum += amp * n * n;
        norm += amp;
        amp *= 0.5f;
        period *= 2;
    }
    return sum / norm;
}

// Cellular noise: distances to the nearest and second-nearest feature point (in cell units)
// and an id of the nearest cell, periodic with `cells` cells per unit.
struct Cell {
    float f1, f2;
    uint32_t id;
    float cx, cy;  // nearest feature point, in cell units (unwrapped)
};
Cell Worley(float u, float v, int32_t cells, uint32_t seed, float jitter = 0.8f)
{
    float x = u * static_cast<float>(cells), y = v * static_cast<float>(cells);
    int32_t ix = static_cast<int32_t>(std::floor(x)), iy = static_cast<int32_t>(std::floor(y));
    Cell c{1e9f, 1e9f, 0, 0, 0};
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            int32_t cx = ix + dx, cy = iy + dy;
            int32_t wx = Wrap(cx, cells), wy = Wrap(cy, cells);
            float px = static_cast<float>(cx) + 0.5f + (HashUnit(wx, wy, seed) - 0.5f) * jitter;
            float py = static_cast<float>(cy) + 0.5f + (HashUnit(wx, wy, seed ^ 0x9e3779b9u) - 0.5f) * jitter;
            float d = std::hypot(px - x, py - y);
            if (d < c.f1) {
                c.f2 = c.f1;
                c.f1 = d;
                c.id = Hash(wx, wy, seed ^ 0x5bd1e995u);
                c.cx = px;
                c.cy = py;
            } else if (d < c.f2) {
                c.f2 = d;
            }
        }
    return c;
}

Image MakeImage(const char* name, int w, int h)
{
    Image img;
    img.name = name;
    img.width = w;
    img.height = h;
    img.rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    return img;
}

void Put(Image& img, int x, int y, Rgb c)
{
    uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
}

Rgb Get(const Image& img, int x, int y)
{
    const uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

// Fills a material: `shade` gets (u, v) at the pixel centre and returns colour and height.
struct Texel {
    Rgb color;
    float height;  // 0..1
};
void Shade(int size, const std::function<Texel(float, float)>& shade, std::vector<Rgb>& color,
           std::vector<float>& height)
{
    color.resize(static_cast<size_t>(size) * size);
    height.resize(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size);
            float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size);
            Texel t = shade(u, v);
            color[static_cast<size_t>(y) * size + x] = t.color;
            height[static_cast<size_t>(y) * size + x] = Clamp01(t.height);
        }
}

Image HeightImage(const char* name, int size, const std::vector<float>& height)
{
    Image img = MakeImage(name, size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float h = height[static_cast<size_t>(y) * size + x];
            Put(img, x, y, {h, h, h});
        }
    return img;
}

Image ColorImage(const char* name, int size, const std::vector<Rgb>& color)
{
    Image img = MakeImage(name, size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            Put(img, x, y, color[static_cast<size_t>(y) * size + x]);
    return img;
}

// Tangent-space normals from the height field by central differences (wrapping).
// `strength` is the height difference, in texels, of a full 0..1 step; it is scaled with the
// image size so sets of different resolution show the same relief per unit of surface.
Image NormalImage(const char* name, int size, const std::vector<float>& height, float strength)
{
    Image img = MakeImage(name, size, size);
    auto at = [&](int x, int y) {
        return height[static_cast<size_t>(Wrap(y, size)) * size + Wrap(x, size)];
    };
    float s = strength * static_cast<float>(size) / 512.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dhdx = (at(x + 1, y) - at(x - 1, y)) * 0.5f * s;
            // Row index grows downwards; the normal's +Y points to the image top.
            float dhdy = (at(x, y - 1) - at(x, y + 1)) * 0.5f * s;
            float nx = -dhdx, ny = -dhdy, nz = 1.0f;
            float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            Put(img, x, y, {nx / len * 0.5f + 0.5f, ny / len * 0.5f + 0.5f, nz / len * 0.5f + 0.5f});
        }
    return img;
}

// ---- Set 1: weathered granite with lichen ------------------------------------------------
void MakeRock(std::vector<Image>& out)
{
    const int size = 512;
    std::vector<Rgb> color;
    std::vector<float> height;
    Shade(size, [](float u, float v) {
        float base = Fbm(u, v, 4, 7, 11u) * 0.5f + 0.5f;
        float ridges = Ridged(u, v, 6, 5, 23u);
        Cell c = Worley(u, v, 7, 31u);
        float crack = Smooth(0.0f, 0.09f, c.f2 - c.f1);    // 0 in the fissures
        float h = (0.55f * base + 0.45f * ridges) * (0.35f + 0.65f * crack);
        float grain = Fbm(u, v, 64, 3, 41u);
        h = Clamp01(h + grain * 0.04f);

        Rgb dark{0.22f, 0.21f, 0.20f}, light{0.62f, 0.58f, 0.53f}, warm{0.55f, 0.42f, 0.30f};
        float tone = Clamp01(0.25f + 0.9f * h + grain * 0.25f);
        Rgb col = Mix(dark, light, tone);
        float stain = Smooth(0.1f, 0.6f, Fbm(u, v, 3, 4, 53u));
        col = Mix(col, warm * (0.6f + 0.6f * tone), stain * 0.45f);
        // Lichen settles on the lower, sheltered parts of the stone.
        float lichen = Smooth(0.15f, 0.45f, Fbm(u, v, 8, 5, 67u)) * Smooth(0.55f, 0.3f, h);
        col = Mix(col, Rgb{0.36f, 0.44f, 0.18f} * (0.7f + 0.5f * grain), lichen * 0.7f);
        // Speckles of feldspar.
        float speck = Smooth(0.72f, 0.8f, Fbm(u, v, 128, 2, 71u) * 0.5f + 0.5f);
        col = Mix(col, Rgb{0.85f, 0.82f, 0.78f}, speck * 0.6f);
        col = col * (0.45f + 0.55f * crack);   // fissures in shadow
        return Texel{col, h};
    }, color, height);
    out.push_back(ColorImage("set1_diffuse.jpg", size, color));
    out.push_back(HeightImage("set1_bump.jpg", size, height));
    out.push_back(NormalImage("set1_normal.jpg", size, height, 6.0f));
}

// ---- Set 2: terracotta scales; the colour image doubles as the height map ----------------
// Its red channel must rise with the height (the shader displaces by red), so the palette is
// built from the height first and only modulates green and blue freely.
void MakeScales(std::vector<Image>& out)
{
    const int size = 512;
    std::vector<Rgb> color;
    std::vector<float> height;
    Shade(size, [](float u, float v) {
        // Offset rows of cells give an overlapping-scale look.
        Cell c = Worley(u, v, 12, 101u, 0.35f);
        float dome = Clamp01(1.0f - c.f1 * 1.25f);
        dome = std::sqrt(dome);
        float edge = Smooth(0.0f, 0.12f, c.f2 - c.f1);
        float detail = Fbm(u, v, 32, 4, 113u);
        float h = Clamp01(0.08f + 0.8f * dome * (0.3f + 0.7f * edge) + 0.06f * detail);
        float hue = HashUnit(static_cast<int32_t>(c.id & 0xffff), 7, 127u);
        Rgb col{h,
                h * (0.42f + 0.18f * hue) + 0.03f * detail,
                h * (0.22f + 0.2f * (1.0f - hue)) + 0.04f};
        return Texel{col, h};
    }, color, height);
    Image shared = ColorImage("set2_diffuse.jpg", size, color);
    // The height the shader sees is the red channel of the shared image, so the normal map is
    // derived from exactly that.
    std::vector<float> red(height.size());
    for (size_t i = 0; i < red.size(); ++i)
        red[i] = shared.rgb[i * 3] / 255.0f;
    Image bump = shared;
    bump.name = "set2_bump.jpg";
    out.push_back(std::move(shared));
    out.push_back(std::move(bump));
    out.push_back(NormalImage("set2_normal.jpg", size, red, 5.0f));
}

// ---- Set 3: cooling lava, dark crust plates over glowing fissures --------------------------
void MakeLava(std::vector<Image>& out)
{
    const int size = 512;
    std::vector<Rgb> color;
    std::vector<float> height;
    Shade(size, [](float u, float v) {
        // Warp the lookup so the plate borders meander instead of being straight.
        float wu = u + 0.03f * Fbm(u, v, 4, 3, 201u);
        float wv = v + 0.03f * Fbm(u, v, 4, 3, 211u);
        Cell c = Worley(wu - std::floor(wu), wv - std::floor(wv), 9, 223u);
        float gap = c.f2 - c.f1;
        float crust = Smooth(0.03f, 0.16f, gap);
        float rough = Fbm(u, v, 16, 5, 227u) * 0.5f + 0.5f;
        float h = crust * (0.55f + 0.35f * rough + 0.1f * Smooth(0.6f, 0.0f, c.f1));
        // Heat glows brightest in the narrowest part of each fissure.
        float heat = (1.0f - crust) * (0.7f + 0.3f * (Fbm(u, v, 8, 3, 229u) * 0.5f + 0.5f));
        Rgb basalt = Mix(Rgb{0.07f, 0.06f, 0.06f}, Rgb{0.30f, 0.27f, 0.25f}, rough * rough);
        Rgb glow = Mix(Rgb{0.55f, 0.05f, 0.0f}, Rgb{1.0f, 0.55f, 0.08f}, Smooth(0.3f, 0.8f, heat));
        glow = Mix(glow, Rgb{1.0f, 0.92f, 0.55f}, Smooth(0.85f, 1.0f, heat));
        // Residual warmth lets the crust edges smoulder.
        float ember = Smooth(0.2f, 0.0f, gap - 0.05f) * crust;
        Rgb col = Mix(basalt, glow, Smooth(0.0f, 0.9f, heat));
        col = col + Rgb{0.35f, 0.06f, 0.0f} * (ember * 0.6f);
        return Texel{col, h};
    }, color, height);
    out.push_back(ColorImage("set3_diffuse.jpg", size, color));
    out.push_back(HeightImage("set3_bump.jpg", size, height));
    out.push_back(NormalImage("set3_normal.jpg", size, height, 7.0f));
}

// ---- Set 4: riveted steel plates, 1024 x 1024 --------------------------------------------
void MakeMetal(std::vector<Image>& out)
{
    const int size = 1024;
    const int panels = 4;
    std::vector<Rgb> color;
    std::vector<float> height;
    Shade(size, [](float u, float v) {
        float pu = u * panels, pv = v * panels;
        int32_t px = static_cast<int32_t>(pu), py = static_cast<int32_t>(pv);
        float fu = pu - static_cast<float>(px), fv = pv - static_cast<float>(py);
        // Seams between the plates.
        float edge = std::min(std::min(fu, 1.0f - fu), std::min(fv, 1.0f - fv));
        float seam = Smooth(0.008f, 0.03f, edge);
        // Rivets: a row along each plate border.
        const int rivetsPerSide = 6;
        float rivet = 0.0f;
        {
            float inset = 0.06f;
            auto bumpAt = [&](float cx, float cy) {
                float d = std::hypot(fu - cx, fv - cy) / 0.018f;
                if (d < 1.0f)
                    rivet = std::max(rivet, std::sqrt(1.0f - d * d));
            };
            for (int i = 0; i < rivetsPerSide; ++i) {
                float t = inset + (1.0f - 2.0f * inset) * static_cast<float>(i) / (rivetsPerSide - 1);
                bumpAt(t, inset);
                bumpAt(t, 1.0f - inset);
                bumpAt(inset, t);
                bumpAt(1.0f - inset, t);
            }
        }
        float plateTint = HashUnit(px, py, 301u);
        // Brushed grain: noise stretched along the plate's brushing direction, which
        // alternates between plates.
        bool across = ((px + py) & 1) != 0;
        float gu = across ? v : u, gv = across ? u : v;
        float brush = Noise(gu * 4.0f, gv * 256.0f, 256, 307u + static_cast<uint32_t>(px * 4 + py));
        float dent = Fbm(u, v, 8, 4, 311u);
        float grime = Smooth(0.1f, 0.7f, Fbm(u, v, 6, 6, 313u) * 0.5f + 0.5f);
        float h = 0.15f + 0.5f * seam + 0.03f * dent + 0.01f * brush + 0.3f * rivet * seam;
        // A raised bevel on each plate border catches highlights.
        h += 0.05f * Smooth(0.03f, 0.05f, edge) * (1.0f - Smooth(0.05f, 0.07f, edge));
        Rgb steel = Mix(Rgb{0.42f, 0.45f, 0.48f}, Rgb{0.60f, 0.62f, 0.64f}, plateTint);
        steel = steel * (0.9f + 0.12f * brush);
        Rgb rust{0.40f, 0.22f, 0.10f};
        float rustAmt = grime * (1.0f - seam * 0.6f) * 0.55f + (1.0f - seam) * 0.35f;
        Rgb col = Mix(steel, rust * (0.8f + 0.4f * dent), Clamp01(rustAmt));
        col = Mix(col, Rgb{0.78f, 0.79f, 0.80f}, rivet * 0.7f);
        col = col * (0.35f + 0.65f * seam);
        return Texel{col, h};
    }, color, height);
    out.push_back(ColorImage("set4_diffuse.jpg", size, color));
    out.push_back(HeightImage("set4_bump.jpg", size, height));
    out.push_back(NormalImage("set4_normal.jpg", size, height, 8.0f));
}

// ---- Background: night sky over a receding grid ------------------------------------------
Image MakeBackground()
{
    const int size = 512;
    Image img = MakeImage("background.jpg", size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;  // v grows downwards
            Rgb top{0.01f, 0.015f, 0.05f}, horizon{0.10f, 0.06f, 0.22f};
            Rgb col = Mix(top, horizon, std::pow(v, 1.6f));
            float neb = Fbm(u, v, 3, 6, 401u) * 0.5f + 0.5f;
            float neb2 = Fbm(u, v, 5, 5, 409u) * 0.5f + 0.5f;
            col = col + Rgb{0.10f, 0.03f, 0.16f} * Smooth(0.45f, 0.9f, neb);
            col = col + Rgb{0.0f, 0.08f, 0.12f} * Smooth(0.5f, 0.95f, neb2);
            // Stars: one candidate per 4x4 block, a few of them lit.
            int bx = x / 4, by = y / 4;
            float starSeed = HashUnit(bx, by, 419u);
            if (starSeed > 0.93f) {
                float sx = bx * 4 + 0.5f + 3.0f * HashUnit(bx, by, 421u);
                float sy = by * 4 + 0.5f + 3.0f * HashUnit(bx, by, 431u);
                float d = std::hypot(x + 0.5f - sx, y + 0.5f - sy);
                float b = (starSeed - 0.93f) / 0.07f * std::max(0.0f, 1.0f - d / 1.3f);
                col = col + Rgb{0.9f, 0.9f, 1.0f} * (b * (1.0f - v));
            }
            // A perspective grid on the lower third, fading into the horizon.
            float horizonY = 0.66f;
            if (v > horizonY) {
                float depth = (v - horizonY) / (1.0f - horizonY);          // 0 at the horizon
                float z = 1.0f / std::max(depth, 0.02f);
                float gx = (u - 0.5f) * z * 6.0f;
                float gz = z * 2.0f;
                float lx = std::fabs(gx - std::round(gx));
                float lz = std::fabs(gz - std::round(gz));
                float wx = 0.03f * z, wz = 0.02f * z * z;
                float line = std::max(Smooth(wx + 0.02f, 0.0f, lx), Smooth(wz + 0.02f, 0.0f, lz));
                float fade = Smooth(0.0f, 0.6f, depth);
                col = col + Rgb{0.15f, 0.45f, 0.75f} * (line * fade * 0.6f);
            }
            float glow = std::exp(-std::fabs(v - horizonY) * 40.0f);
            col = col + Rgb{0.20f, 0.10f, 0.35f} * (glow * 0.5f);
            Put(img, x, y, col);
        }
    return img;
}

// ---- Text through FreeType ---------------------------------------------------------------
class TextRenderer {
public:
    bool Open(const std::string& path, std::string* error)
    {
        if (FT_Init_FreeType(&lib_) != 0) {
            *error = "FreeType could not be initialised";
            return false;
        }
        if (FT_New_Face(lib_, path.c_str(), 0, &face_) != 0) {
            *error = "cannot load font " + path;
            return false;
        }
        return true;
    }
    ~TextRenderer()
    {
        if (face_)
            FT_Done_Face(face_);
        if (lib_)
            FT_Done_FreeType(lib_);
    }

    int Width(const std::string& text, int pixelHeight)
    {
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelHeight));
        long pen = 0;
        for (unsigned char ch : text)
            if (FT_Load_Char(face_, ch, FT_LOAD_DEFAULT) == 0)
                pen += face_->glyph->advance.x;
        return static_cast<int>(pen >> 6);
    }

    // Draws text with its baseline at y; `paint` gets pixel position and coverage 0..1.
    void Draw(const std::string& text, int pixelHeight, int x, int baseline,
              const std::function<void(int, int, float)>& paint)
    {
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelHeight));
        long pen = static_cast<long>(x) << 6;
        for (unsigned char ch : text) {
            if (FT_Load_Char(face_, ch, FT_LOAD_RENDER) != 0)
                continue;
            FT_GlyphSlot g = face_->glyph;
            int left = static_cast<int>(pen >> 6) + g->bitmap_left;
            int top = baseline - g->bitmap_top;
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    uint8_t a = g->bitmap.buffer[row * g->bitmap.pitch + col];
                    if (a)
                        paint(left + static_cast<int>(col), top + static_cast<int>(row), a / 255.0f);
                }
            pen += g->advance.x;
        }
    }

    int Ascender(int pixelHeight)
    {
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelHeight));
        return static_cast<int>(face_->size->metrics.ascender >> 6);
    }

private:
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
};

void Blend(Image& img, int x, int y, Rgb c, float a)
{
    if (x < 0 || y < 0 || x >= img.width || y >= img.height || a <= 0.0f)
        return;
    Put(img, x, y, Mix(Get(img, x, y), c, Clamp01(a)));
}

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by)
{
    float dx = bx - ax, dy = by - ay;
    float t = Clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// ---- Small logo: a subdivided triangle (the tessellation idea) and the name ---------------
// Everything outside the emblem stays pure black: the scene turns near-black into
// transparency.
Image MakeLogo(TextRenderer& text)
{
    const int w = 150, h = 148;
    Image img = MakeImage("logo_small.jpg", w, h);
    const float cx = 75.0f, top = 10.0f, side = 104.0f;
    const float triH = side * std::sqrt(3.0f) / 2.0f;
    const float ax = cx, ay = top, bx = cx - side / 2, by = top + triH, qx = cx + side / 2, qy = by;
    const int levels = 4;
    // Barycentric lattice lines parallel to each side.
    struct Seg { float x0, y0, x1, y1; };
    std::vector<Seg> segs;
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    for (int i = 0; i <= levels; ++i) {
        float t = static_cast<float>(i) / levels;
        // Parallel to BC: from A->B at t to A->C at t.
        segs.push_back({lerp(ax, bx, t), lerp(ay, by, t), lerp(ax, qx, t), lerp(ay, qy, t)});
        // Parallel to AC: from B->A at t to B->C at t.
        segs.push_back({lerp(bx, ax, t), lerp(by, ay, t), lerp(bx, qx, t), lerp(by, qy, t)});
        // Parallel to AB: from C->A at t to C->B at t.
        segs.push_back({lerp(qx, ax, t), lerp(qy, ay, t), lerp(qx, bx, t), lerp(qy, by, t)});
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = 1e9f;
            for (const Seg& s : segs)
                d = std::min(d, SegmentDistance(px, py, s.x0, s.y0, s.x1, s.y1));
            float line = Clamp01(1.6f - d);
            float halo = std::exp(-d * 0.45f) * 0.35f;
            float t = Clamp01((py - top) / triH);
            Rgb c = Mix(Rgb{0.25f, 0.85f, 1.0f}, Rgb{1.0f, 0.45f, 0.12f}, t);
            Rgb col = c * (line + halo * (1.0f - line));
            Put(img, x, y, col);
        }
    // Dots on the lattice vertices.
    for (int i = 0; i <= levels; ++i)
        for (int j = 0; j <= levels - i; ++j) {
            float fi = static_cast<float>(i) / levels, fj = static_cast<float>(j) / levels;
            float vx = ax + (bx - ax) * fi + (qx - ax) * fj;
            float vy = ay + (by - ay) * fi + (qy - ay) * fj;
            for (int y = static_cast<int>(vy) - 4; y <= static_cast<int>(vy) + 4; ++y)
                for (int x = static_cast<int>(vx) - 4; x <= static_cast<int>(vx) + 4; ++x) {
                    float d = std::hypot(x + 0.5f - vx, y + 0.5f - vy);
                    Blend(img, x, y, Rgb{1.0f, 1.0f, 1.0f}, Clamp01(3.2f - d));
                }
        }
    const std::string name = "GRIDFALL";
    const int px = 22;
    int tw = text.Width(name, px);
    text.Draw(name, px, (w - tw) / 2, h - 8, [&](int x, int y, float a) {
        Blend(img, x, y, Rgb{0.92f, 0.95f, 1.0f}, a);
    });
    return img;
}

// ---- API badge: "OpenGL 4" on a bevelled plate of our own design --------------------------
Image MakeBadge(TextRenderer& text)
{
    const int w = 256, h = 128;
    Image img = MakeImage("api_badge.jpg", w, h);
    const float radius = 18.0f, margin = 6.0f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            // Signed distance to a rounded rectangle.
            float qx = std::fabs(px - w / 2.0f) - (w / 2.0f - margin - radius);
            float qy = std::fabs(py - h / 2.0f) - (h / 2.0f - margin - radius);
            float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
                            std::min(std::max(qx, qy), 0.0f) - radius;
            float inside = Clamp01(0.5f - outside);
            float t = py / h;
            Rgb plate = Mix(Rgb{0.16f, 0.20f, 0.30f}, Rgb{0.05f, 0.06f, 0.10f}, t);
            float rim = Clamp01(1.0f - std::fabs(outside + 2.5f) / 1.5f);
            Rgb rimCol = Mix(Rgb{0.55f, 0.75f, 0.95f}, Rgb{0.25f, 0.35f, 0.5f}, t);
            Rgb col = plate * inside;
            col = Mix(col, rimCol, rim);
            // Gloss on the upper half.
            if (outside < -3.0f && t < 0.45f)
                col = col + Rgb{0.06f, 0.07f, 0.09f} * (1.0f - t / 0.45f);
            Put(img, x, y, col);
        }
    const int labelPx = 40, digitPx = 92;
    int labelW = text.Width("OpenGL", labelPx);
    int digitW = text.Width("4", digitPx);
    int gap = 10;
    int startX = (w - (labelW + gap + digitW)) / 2;
    int baseline = h / 2 + text.Ascender(labelPx) / 2 - 4;
    text.Draw("OpenGL", labelPx, startX, baseline, [&](int x, int y, float a) {
        Blend(img, x, y, Rgb{0.93f, 0.95f, 1.0f}, a);
    });
    int digitBase = h / 2 + static_cast<int>(digitPx * 0.36f);
    text.Draw("4", digitPx, startX + labelW + gap, digitBase, [&](int x, int y, float a) {
        float t = Clamp01((y - (digitBase - digitPx * 0.72f)) / (digitPx * 0.72f));
        Blend(img, x, y, Mix(Rgb{1.0f, 0.78f, 0.25f}, Rgb{0.95f, 0.35f, 0.08f}, t), a);
    });
    return img;
}

void AppendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<Image> GenerateSceneImages(const std::string& fontPath, std::string* error)
{
    std::string ignored;
    if (!error)
        error = &ignored;
    TextRenderer text;
    if (!text.Open(fontPath.empty() ? kDefaultFontPath : fontPath, error))
        return {};
    std::vector<Image> images;
    images.push_back(MakeBackground());
    MakeRock(images);
    MakeScales(images);
    MakeLava(images);
    MakeMetal(images);
    images.push_back(MakeLogo(text));
    images.push_back(MakeBadge(text));
    return images;
}

std::vector<uint8_t> EncodeJpeg(const Image& image, int quality)
{
    std::vector<uint8_t> out;
    stbi_write_jpg_to_func(AppendBytes, &out, image.width, image.height, 3, image.rgb.data(),
                           quality);
    return out;
}

}  // namespace texgen
