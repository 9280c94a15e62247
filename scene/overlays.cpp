// Placeholder until the overlays land: nothing is drawn over the sphere.
#include "scene/overlays.h"

void CreatePostProcessing(cHx7PDemo_OpenGL_4&) {}
void ReleasePostProcessing(cHx7PDemo_OpenGL_4&) {}
bool IsPostProcessingActive(const cHx7PDemo_OpenGL_4&) { return false; }
void BeginPostProcessing(cHx7PDemo_OpenGL_4&) {}
void EndPostProcessing(cHx7PDemo_OpenGL_4&) {}
void PollSensors(cHx7PDemo_OpenGL_4&, float) {}
void DrawOverlays(cHx7PDemo_OpenGL_4&) {}
