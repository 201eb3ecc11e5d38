#include "tests/support/immediate_model.h"

#include <GL/gl.h>

#include "view/scene.h"

void drawSceneImmediately(const ViewerState& state) {
  ViewerState floorOnly;
  floorOnly.cameraDistance = state.cameraDistance;
  floorOnly.cameraYaw = state.cameraYaw;
  floorOnly.cameraPitch = state.cameraPitch;
  drawScene(floorOnly);
  if (!state.model) {
    return;
  }
  const ObjModel& model = *state.model;
  glColor3f(1.0f, 1.0f, 1.0f);
  glTranslatef(0.0f, -state.floorOffset, 0.0f);
  glBegin(GL_TRIANGLES);
  const ObjMaterial* previous = nullptr;
  for (int32_t f = 0; f < model.faceCount; ++f) {
    if (!faceIndicesInRange(model, f)) {
      continue;
    }
    const ObjMaterial* material = model.faceMaterial[f];
    if (material != previous) {
      const Rgb colour = material != nullptr ? material->diffuse : Rgb{1.0f, 1.0f, 1.0f};
      glColor3f(colour.r, colour.g, colour.b);
      previous = material;
    }
    for (int k = 0; k < 3; ++k) {
      const Vec3& n = model.normals[model.faceNormalIndex[3 * f + k]];
      const Vec3& p = model.positions[model.faceVertexIndex[3 * f + k]];
      glNormal3f(n.x, n.y, n.z);
      glVertex3f(p.x, p.y, p.z);
    }
  }
  glEnd();
}
