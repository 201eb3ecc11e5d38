#include "view/progress_bar.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

// The window's pixels, x to the right and y up from the bottom left corner; a rectangle covers
// exactly the pixels whose centres lie inside it.
void fillRect(int left, int bottom, int right, int top) {
  glRecti(left, bottom, right, top);
}

}  // namespace

void drawProgressBar(float fraction) {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  const int width = viewport[2];
  const int height = viewport[3];

  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_COLOR_MATERIAL);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  const int left = width / 5;
  const int right = width - left;
  const int bottom = kBarMargin;
  const int top = bottom + kBarHeight;
  glColor3ub(24, 24, 28);
  fillRect(left, bottom, right, top);
  const int innerLeft = left + kBarOutline;
  const int innerRight = right - kBarOutline;
  glColor3ub(70, 70, 78);
  fillRect(innerLeft, bottom + kBarOutline, innerRight, top - kBarOutline);
  const float filled = std::clamp(fraction, 0.0f, 1.0f);
  const int fillRight =
      innerLeft + static_cast<int>(filled * static_cast<float>(innerRight - innerLeft));
  if (fillRight > innerLeft) {
    glColor3ub(240, 200, 60);
    fillRect(innerLeft, bottom + kBarOutline, fillRight, top - kBarOutline);
  }

  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}
