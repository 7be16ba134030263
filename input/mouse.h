// The mouse library: a position kept inside the open screen, the motion and wheel turn of
// the last poll and three buttons, read through an exclusive, foreground DirectInput mouse
// as buffered events once per PollMouse.
//
// The device is opened by InitMouse but takes its cooperative level, its buffer and its
// acquisition only at a poll, when the screen's window exists; a step of that set-up that
// fails is tried again at the next poll. While the window is inactive, or the program has
// released the mouse (SetMouseReleased), polls read nothing and the device is let go, so
// the system cursor is free.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Opens the mouse device; 1 on success, 0 without DirectInput, a mouse or its format.
std::int32_t InitMouse();
// Reads the events since the last poll; 1 if they were read, 0 if nothing was (the
// motions are 0 then). While a step of the device's set-up fails (cooperative level,
// buffer size, acquisition) nothing is read: a device not set up could only report that
// it is not acquired. The set-up is tried again at the next poll.
std::int32_t PollMouse();

std::int32_t MousePositionX();
std::int32_t MousePositionY();
std::int32_t MouseMotionX();
std::int32_t MouseMotionY();
// The wheel's turn in the last poll in whole steps, away from the user positive.
std::int32_t MouseWheelMotion();
// 1 while button 1, 2 or 3 is down, else 0; 0 for any other number.
std::int32_t MouseButtonDown(std::int32_t button);

// Moves the position; it is brought inside the screen by the next poll that reads.
void SetMousePosition(std::int32_t x, std::int32_t y);
// 1 lets the mouse go until SetMouseReleased is called with anything else, after which
// the next poll sets the device up again.
void SetMouseReleased(std::int32_t released);
// Lets the device go (until the next poll takes it back), if there is a device.
void UncaptureMouse();
// Frees the cursor and gives the device and this user's share of DirectInput back.
void EndMouse();
