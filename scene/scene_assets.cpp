// Embedded images and the sphere of the benchmark scene.
#include "scene/scene_assets.h"

#include <memory>

#include "core/message_box.h"
#include "gfx/mesh.h"
#include "gfx/texture.h"
#include "scene/demo.h"

// Generated from scene/shaders/*.glsl and scene/assets/*.jpg at build time.
std::span<const unsigned char> FindSceneResource(std::string_view baseName);

namespace {

SceneResourceLookup g_lookup = nullptr;

// Map set index 1 uses one image for its diffuse colour and its height (its red channel).
const MapSetImageNames kMapSets[4] = {
    {"set1_diffuse.jpg", "set1_bump.jpg", "set1_normal.jpg"},
    {"set2_bump.jpg", "set2_bump.jpg", "set2_normal.jpg"},
    {"set3_diffuse.jpg", "set3_bump.jpg", "set3_normal.jpg"},
    {"set4_diffuse.jpg", "set4_bump.jpg", "set4_normal.jpg"},
};

// Decodes an embedded image into a fresh texture; null when it is missing or does not decode.
std::unique_ptr<cHx7PTexture> DecodeEmbedded(const char* name)
{
    if (!name)
        return nullptr;
    auto texture = std::make_unique<cHx7PTexture>();
    const std::span<const unsigned char> bytes = SceneResource(name);
    if (!texture->LoadFromMemory(bytes.data(), bytes.size()))
        return nullptr;
    return texture;
}

}  // namespace

bool GetMapSetImageNames(int mapSet, MapSetImageNames* names)
{
    if (mapSet < 0 || mapSet > 3) {
        if (names)
            *names = MapSetImageNames{};
        return false;
    }
    if (names)
        *names = kMapSets[mapSet];
    return true;
}

void SetSceneResourceLookup(SceneResourceLookup lookup) { g_lookup = lookup; }

std::span<const unsigned char> SceneResource(std::string_view baseName)
{
    return g_lookup ? g_lookup(baseName) : FindSceneResource(baseName);
}

bool LoadSceneImages(cHx7PDemo& scene, int mapSet, const char* backgroundPath)
{
    auto& slots = scene.textures;

    // Background: a file the user named wins over the embedded image; without either the
    // frame simply clears to the clear colour.
    {
        auto background = std::make_unique<cHx7PTexture>();
        bool ok = backgroundPath && backgroundPath[0] && background->LoadFromFile(backgroundPath);
        if (!ok) {
            const std::span<const unsigned char> bytes = SceneResource(kBackgroundImage);
            ok = background->LoadFromMemory(bytes.data(), bytes.size());
        }
        if (ok) {
            background->FlipVertical();
            slots[kTexBackground] = std::move(background);
        } else {
            slots[kTexBackground].reset();
        }
    }

    MapSetImageNames names;
    GetMapSetImageNames(mapSet, &names);   // an unknown set leaves every name null

    struct Step {
        int slot;
        const char* name;
        const char* failure;
    };
    const Step maps[] = {
        {kTexDiffuse, names.diffuse, "Diffuse map loading failed"},
        {kTexBump, names.bump, "Bump map loading failed"},
        {kTexNormal, names.normal, "Normal map loading failed"},
    };
    for (const Step& step : maps) {
        std::unique_ptr<cHx7PTexture> texture = DecodeEmbedded(step.name);
        if (!texture) {
            ShowErrorBox("%s", step.failure);
            return false;
        }
        texture->FlipVertical();
        slots[step.slot] = std::move(texture);
    }

    // Small logo: its black surround becomes transparent (alpha = luminance below 4).
    {
        std::unique_ptr<cHx7PTexture> logo = DecodeEmbedded(kSmallLogoImage);
        if (!logo) {
            ShowErrorBox("Texture 03 loading failed");
            return false;
        }
        logo->FlipVertical();
        logo->ConvertToRGBA(nullptr, 0);
        logo->AlphaFromLuminance(4);
        slots[kTexSmallLogo] = std::move(logo);
    }

    {
        std::unique_ptr<cHx7PTexture> badge = DecodeEmbedded(kApiLogoImage);
        if (!badge) {
            ShowErrorBox("OpenGL logo loading failed");
            return false;
        }
        badge->FlipVertical();
        slots[kTexApiLogo] = std::move(badge);
    }
    return true;
}

void BuildSceneSphere(cHx7PMesh& mesh)
{
    mesh.SetName(kSphereMeshName);
    mesh.BuildSphere(kSphereRadius, kSphereStacks, kSphereSlices);
}
