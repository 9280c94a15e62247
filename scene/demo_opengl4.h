// The OpenGL 4 benchmark scene.
#pragma once

#include <memory>

#include "scene/demo.h"

// A new cHx7PDemo_OpenGL_4 for a run (the render thread's default scene).
std::unique_ptr<cHx7PDemo> CreateOpenGL4Demo();
