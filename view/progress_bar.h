// The progress bar drawn over the scene while a model reads: a dark outlined bar across the middle
// three fifths of the window, near its bottom, filled from the left by the fraction read.
//
// drawProgressBar draws it into the frame in the back buffer, after drawScene, in window pixels:
// the viewport (which reshape fits to the window) gives the size. The bar is kBarHeight pixels
// high, its lowest row kBarMargin above the window's bottom, with a kBarOutline-pixel outline; a
// fraction outside 0 to 1 is taken as its nearer end. Depth test, lighting, texturing and the
// rest are off while it draws, and every state and matrix it changes is as it was afterwards.
#pragma once

inline constexpr int kBarHeight = 20;
inline constexpr int kBarMargin = 32;
inline constexpr int kBarOutline = 2;

void drawProgressBar(float fraction);
