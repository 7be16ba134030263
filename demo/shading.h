// The ways a frame can be shaded. Both give the same bytes; the vector path stores them
// directly instead of through PlotPixel, and leaves to the plain loop any frame whose relief
// and light position it cannot compute exactly.
#pragma once

enum class ShadingPath { kPlain, kSse2 };

// Whether this build and this processor can take the path.
bool ShadingPathAvailable(ShadingPath path);
// The fastest path available.
ShadingPath BestShadingPath();
// Shades rows 1 to 198, columns 1 to 318 of the frame buffer by the path given, or by the
// plain loop when the path is not available.
void ShadeFrameWith(ShadingPath path);
