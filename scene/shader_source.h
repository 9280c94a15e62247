// The scene's GLSL sources for the profile of the context they are built in. The embedded
// files are written for the compatibility profile (and GLSL 1.30 to 4.00); a core-profile
// context gets the same text, the same maths and outputs, under "#version 400 core".
#pragma once

#include <string>
#include <string_view>

// For a compatibility context the source unchanged. For a core context: the "#version" line
// becomes "#version 400 core" and "#extension GL_EXT_gpu_shader4" lines go (what FXAA takes
// from that extension is core GLSL since 1.30, and core drivers do not list it).
std::string ShaderSourceForProfile(std::string_view source, bool coreProfile);
