// Gamepads in the numbering the game expects, from the standard layout the window library
// reports for controllers it recognises.
#pragma once

// The standard layout (the window library's gamepad state): buttons A, B, X, Y, left and
// right shoulder, back, start, guide, left and right stick press, d-pad up, right, down,
// left; axes left x, left y, right x, right y (y grows downward), left and right trigger
// (-1 released .. 1 pressed).
const int kPadButtons = 15;
const int kPadAxes = 6;

// Our numbering: buttons A 0, B 1, X 2, Y 3, left shoulder 4, right shoulder 5, back 6,
// start 7, d-pad left 8, up 9, right 10, down 11, left stick 12, right stick 13, guide 14;
// axes left x, left y (up positive), left trigger (0 released .. 1 pressed), right x,
// right y (up positive), right trigger.
void MapGamepad(const unsigned char in_buttons[kPadButtons], const float in_axes[kPadAxes],
                unsigned char out_buttons[kPadButtons], float out_axes[kPadAxes]);
