// Post-processing effect selection, program creation and the full-screen pass.
#include "scene/post_processing.h"

#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "gfx/gl_procs.h"
#include "gfx/gpu_program.h"
#include "scene/shader_source.h"

std::span<const unsigned char> FindSceneResource(std::string_view baseName);

PostFxKind PostFxKindFor(int32_t postFxIndex)
{
    switch (postFxIndex) {
    case 2: return PostFxKind::RadialBlurV2;
    case 3: return PostFxKind::Fxaa;
    default: return PostFxKind::RadialBlurV1;
    }
}

PostFxSources PostFxSourcesFor(PostFxKind kind)
{
    switch (kind) {
    case PostFxKind::RadialBlurV2: return {"postfx_quad_vs.glsl", "postfx_blur_v2_fs.glsl"};
    case PostFxKind::Fxaa: return {"postfx_fxaa_vs.glsl", "postfx_fxaa_fs.glsl"};
    case PostFxKind::RadialBlurV1: break;
    }
    return {"postfx_quad_vs.glsl", "postfx_blur_v1_fs.glsl"};
}

namespace {

std::string Message(const char* format, const char* detail)
{
    char text[4096];
    std::snprintf(text, sizeof text, format, detail ? detail : "");
    return text;
}

}  // namespace

PostFxProgram CreatePostFxProgram(PostFxKind kind, int width, int height, const float overlayProjection[16],
                                  std::string* error, bool coreProfile)
{
    PostFxProgram out;
    const PostFxSources names = PostFxSourcesFor(kind);
    // Embedded texts are followed by a zero byte, so they are C strings.
    const auto vs = FindSceneResource(names.vertex);
    const auto fs = FindSceneResource(names.fragment);
    auto program = std::make_unique<cHx7PGpuProgram>();
    auto text = [coreProfile](std::span<const unsigned char> bytes) {
        return bytes.empty() ? std::string()
                             : ShaderSourceForProfile(reinterpret_cast<const char*>(bytes.data()),
                                                      coreProfile);
    };
    const std::string vsText = text(vs);
    const std::string fsText = text(fs);
    if (vs.empty() || !program->SetVertexShader(vsText.c_str(), vsText.size() + 1)) {
        if (error)
            *error = Message("Vertex shader creation failed: %s",
                             vs.empty() ? "missing shader source" : program->GetLastLog());
        return out;
    }
    if (fs.empty() || !program->SetPixelShader(fsText.c_str(), fsText.size() + 1)) {
        if (error)
            *error = Message("Pixel shader creation failed: %s",
                             fs.empty() ? "missing shader source" : program->GetLastLog());
        return out;
    }
    if (!program->Bind()) {
        if (error)
            *error = Message("Shader program creation failed: %s", program->GetLastLog());
        return out;
    }
    program->SetUniform1i("sceneBuffer", 0);
    program->SetUniformMatrix4("WorldViewProjectionMatrix", overlayProjection);
    if (kind == PostFxKind::Fxaa) {
        program->SetUniform1f("rt_w", static_cast<float>(width));
        program->SetUniform1f("rt_h", static_cast<float>(height));
    } else {
        program->SetUniform1i("radial_blur_samples", kRadialBlurSamples);
        program->SetUniform1f("radial_blur_scale_mul", kRadialBlurScaleMul);
        program->SetUniform1i("tileTex", 1);
    }
    out.positionLoc = program->GetAttribLocation("In_Position");
    out.uvLoc = program->GetAttribLocation("In_UV");
    cHx7PGpuProgram::Unbind();
    out.program = std::move(program);
    return out;
}

void RunPostFxPass(cHx7PGpuProgram& program, unsigned colorTexture, float time, int width, int height,
                   const std::function<void()>& drawQuad)
{
    if (!program.Bind())
        return;
    program.SetUniform1f("elapsedTime", time);
    glViewport(0, 0, width, height);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colorTexture);
    // The quad covers the window exactly; the scene's depth must not clip it. Depth testing stays
    // off until the logos turn it back on.
    glDisable(GL_DEPTH_TEST);
    drawQuad();
    cHx7PGpuProgram::Unbind();
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}
