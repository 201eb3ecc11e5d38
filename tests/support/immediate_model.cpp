#include "tests/support/immediate_model.h"

#include <GL/gl.h>

#include "view/scene.h"

void drawSceneImmediately(const ViewerState& state) {
  drawScene(state.camera, nullptr, 0.0f);
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
    // Read whole, a triangle takes its own material's colour, white without one; by the table, only
    // while the table lists materials, and one without a material keeps the colour in force.
    const ObjMaterial* material = model.faceMaterial[f];
    const bool byTable = model.colouring == Colouring::byTable;
    if (byTable && (model.materialCount == 0 || material == nullptr)) {
      material = previous;
    }
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
