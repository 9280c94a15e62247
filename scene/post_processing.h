// Post-processing: the effect chosen in the startup dialog, its GLSL sources and uniforms.
// The scene renders into an off-screen target and a full-screen pass draws the target's colour
// texture into the window through the effect's fragment program.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Radial blur settings. Ten taps whose scale shrinks by 3 % each: the outermost tap reads the
// scene at 0.97^9 = 76 % of the distance from the centre, which streaks edges towards the centre
// like a zoom blur without washing out the middle of the picture.
inline constexpr int32_t kRadialBlurSamples = 10;
inline constexpr float kRadialBlurScaleMul = 0.97f;

enum class PostFxKind { RadialBlurV1, RadialBlurV2, Fxaa };

// The dialog's list position: 1 radial blur v1, 2 radial blur v2, 3 FXAA. "Off" (0) and any
// unknown position build the v1 program (it is then never drawn with).
PostFxKind PostFxKindFor(int32_t postFxIndex);

struct PostFxSources {
    const char* vertex;     // embedded file names
    const char* fragment;
};
PostFxSources PostFxSourcesFor(PostFxKind kind);

// The pass runs only when the user chose an effect and both the target and the program exist.
inline bool PostFxActive(bool renderPostFx, bool haveTarget, bool haveProgram)
{
    return renderPostFx && haveTarget && haveProgram;
}

class cHx7PGpuProgram;

// The effect program with its once-only uniforms set: sceneBuffer on unit 0, the quad matrix,
// the blur settings and tileTex on unit 1 (blurs) or the frame size (FXAA). On failure returns
// null and sets `error` to the user's message ("Vertex shader creation failed: %s", ...).
struct PostFxProgram {
    std::unique_ptr<cHx7PGpuProgram> program;
    int32_t positionLoc = -1;
    int32_t uvLoc = -1;
};
// coreProfile: build the sources for a core-profile context (scene/shader_source.h).
PostFxProgram CreatePostFxProgram(PostFxKind kind, int width, int height, const float overlayProjection[16],
                                  std::string* error, bool coreProfile = false);

// The final pass: the target's colour texture through the effect into the bound framebuffer.
// `drawQuad` draws the textured unit quad with the program's attribute locations. Leaves depth
// testing, culling and blending off, units 0 and 1 unbound and no program current.
void RunPostFxPass(cHx7PGpuProgram& program, unsigned colorTexture, float time, int width, int height,
                   const std::function<void()>& drawQuad);
