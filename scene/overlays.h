// What the frame draws over and after the sphere, and the once-per-second sensor poll:
// post-processing, sensor poll with the GPU-Z feed, temperature graphs and the text HUD.
// The scene calls these at their places in the frame.
#pragma once

class cHx7PDemo_OpenGL_4;

// Initialisation: creates the post-processing render target at the scene's size and, when
// that succeeds, the effect program. A failure leaves post-processing off, never fails the scene.
void CreatePostProcessing(cHx7PDemo_OpenGL_4& scene);
// Terminate: releases the render target and the effect program.
void ReleasePostProcessing(cHx7PDemo_OpenGL_4& scene);
// True when post-processing is on and both its render target and program exist.
bool IsPostProcessingActive(const cHx7PDemo_OpenGL_4& scene);
// Frame start: binds the render target (only when active).
void BeginPostProcessing(cHx7PDemo_OpenGL_4& scene);
// After the sphere: the final pass into the window (only when active).
void EndPostProcessing(cHx7PDemo_OpenGL_4& scene);
// Once per second of frame time: temperatures, clocks, maxima, GPU-Z.
void PollSensors(cHx7PDemo_OpenGL_4& scene, float dtSeconds);
// The temperature graphs and the text HUD, each under its own conditions.
void DrawOverlays(cHx7PDemo_OpenGL_4& scene);

// What the text HUD shows this frame, gathered from the run's shared records and the scene.
struct HudInputs;
HudInputs GatherHudInputs(const cHx7PDemo_OpenGL_4& scene);
