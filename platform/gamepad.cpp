#include "platform/gamepad.h"

void MapGamepad(const unsigned char in_buttons[kPadButtons], const float in_axes[kPadAxes],
                unsigned char out_buttons[kPadButtons], float out_axes[kPadAxes]) {
  // Our button number for each button of the standard layout, in its order.
  static const int kButtonOf[kPadButtons] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 12, 13, 9, 10, 11, 8};
  for (int i = 0; i < kPadButtons; ++i) out_buttons[kButtonOf[i]] = in_buttons[i];

  out_axes[0] = in_axes[0];
  out_axes[1] = -in_axes[1];
  out_axes[2] = (in_axes[4] + 1.0f) * 0.5f;
  out_axes[3] = in_axes[2];
  out_axes[4] = -in_axes[3];
  out_axes[5] = (in_axes[5] + 1.0f) * 0.5f;
}
