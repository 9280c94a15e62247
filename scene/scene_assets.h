// The scene's images and its object: which embedded JPEG fills which texture slot for each
// map set, the order and failure messages of decoding them, and the "VazadUdoz" sphere.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

class cHx7PDemo;
class cHx7PMesh;

inline constexpr const char* kBackgroundImage = "background.jpg";
inline constexpr const char* kSmallLogoImage = "logo_small.jpg";
inline constexpr const char* kApiLogoImage = "api_badge.jpg";
inline constexpr const char* kSphereMeshName = "VazadUdoz";
inline constexpr float kSphereRadius = 2.0f;
inline constexpr int kSphereStacks = 30;
inline constexpr int kSphereSlices = 30;
inline constexpr unsigned kSphereTriangles = 2u * kSphereStacks * kSphereSlices;   // 1800

// Embedded image names of one map set (index 0..3). False for any other index.
struct MapSetImageNames {
    const char* diffuse = nullptr;
    const char* bump = nullptr;
    const char* normal = nullptr;
};
bool GetMapSetImageNames(int mapSet, MapSetImageNames* names);

// Where the scene's embedded files come from. Tests substitute their own bytes (a broken
// image, a missing one); nullptr restores the embedded data.
using SceneResourceLookup = std::span<const unsigned char> (*)(std::string_view baseName);
void SetSceneResourceLookup(SceneResourceLookup lookup);
std::span<const unsigned char> SceneResource(std::string_view baseName);

// Decodes the images into the scene's texture slots in the order background, diffuse, bump,
// normal, small logo, API logo. A failing background leaves its slot empty; any other failure
// shows its message and returns false at once, leaving the later slots untouched.
bool LoadSceneImages(cHx7PDemo& scene, int mapSet, const char* backgroundPath);

// Names the mesh "VazadUdoz" and builds the 30 x 30 sphere of radius 2.
void BuildSceneSphere(cHx7PMesh& mesh);
