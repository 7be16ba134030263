// The keyboard library: a snapshot of all 256 keys, read through an exclusive,
// foreground DirectInput keyboard once per PollKeyboard, and asked about by KeyDown.
//
// The device is opened by InitKeyboard but takes its cooperative level and is acquired
// only at the first poll, when the screen's window exists. A read that fails (the window
// lost the foreground, another program took the keyboard) is not undone: the snapshot
// holds whatever the device left in it (a device that writes nothing on failure leaves
// the last snapshot), and the keyboard is taken back for the next poll.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// KeyDown's code for "any key at all".
constexpr std::int32_t kAnyKey = -1;

constexpr DWORD kKeyCount = 256;

// Opens the keyboard device; 1 on success, 0 without DirectInput or a keyboard.
std::int32_t InitKeyboard();
// Takes a new snapshot; 1 if it was read, 0 if the last one stays.
std::int32_t PollKeyboard();
// 128 if the key (a DIK_* code) is down in the snapshot, else 0; for kAnyKey, 1 if any
// key but the last (255) is down, else 0.
std::int32_t KeyDown(std::int32_t code);
// Gives the device and this user's share of DirectInput back.
void EndKeyboard();
