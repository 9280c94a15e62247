// cHx7PMeshRenderOptions: the caller-owned switches of one mesh draw. The mesh reads them and
// clears the changed-flags it has acted on.
#pragma once

#include <GL/gl.h>

#include <cstdint>

struct cHx7PMeshRenderOptions {
    uint32_t useNormals = 0;
    uint32_t useUVs = 0;
    uint32_t useColours = 0;
    // Kept for callers that set them; every buffer is created GL_STATIC_DRAW regardless.
    GLenum usageHints[2] = {GL_STATIC_DRAW, GL_STATIC_DRAW};
    // Re-upload that array on the next Bind; Bind clears the flag.
    uint8_t positionsChanged = 0;
    uint8_t normalsChanged = 0;
    uint8_t uvsChanged = 0;
    uint8_t coloursChanged = 0;
    // Draw GL_PATCHES (three vertices each, the GL default) instead of GL_TRIANGLES.
    uint8_t drawPatches = 0;
};
