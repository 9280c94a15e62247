// Placeholder until the scene lands: no scene can be created.
#include "scene/demo_opengl4.h"

std::unique_ptr<cHx7PDemo> CreateOpenGL4Demo() { return nullptr; }
