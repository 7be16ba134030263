// What the X server named by DISPLAY shows, read without SDL, so that the SDL display's
// test does not check SDL with itself.
#pragma once

#include <cstdint>
#include <optional>

// Keeps a connection to the X server named by DISPLAY open for the rest of the process, if
// there is one: an X server whose last client leaves resets, and refuses the connections
// made meanwhile, such as the next test's full screen.
void HoldXConnection();

// The colour (0xRRGGBB) at the point of the screen that lies the fractions fx and fy of
// its width and height from the top left corner; empty without an X server.
std::optional<std::uint32_t> ScreenColourAt(double fx, double fy);
