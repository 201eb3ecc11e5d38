#include "view/scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>
#include <vector>

// No texture yet: a model's images come with the textures made of them.
struct DrawingObjects {
  std::vector<GLuint> textures;
};

void freeDrawingObjects(DrawingObjects* objects) {
  if (!objects->textures.empty()) {
    glDeleteTextures(static_cast<GLsizei>(objects->textures.size()), objects->textures.data());
  }
  delete objects;
}

namespace {

// A point light fixed in the scene, above and beside the floor.
constexpr GLfloat kLightPosition[] = {10.0f, 30.0f, 10.0f, 1.0f};
constexpr GLfloat kLightDiffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr GLfloat kLightSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat kLightAmbient[] = {0.1f, 0.1f, 0.1f, 1.0f};

constexpr int kFloorSquares = 10;
constexpr float kFloorStart = -5.0f;

void drawFloor() {
  glBegin(GL_QUADS);
  glNormal3d(0.0, 1.0, 0.0);
  // The coordinates are counted up in single precision and widened, square by square.
  float x0 = kFloorStart;
  for (int i = 0; i < kFloorSquares; ++i) {
    float z0 = kFloorStart;
    for (int j = 0; j < kFloorSquares; ++j) {
      if ((i + j) % 2 == 0) {
        glColor3f(1.0f, 1.0f, 1.0f);
      } else {
        glColor3f(1.0f, 0.8f, 0.8f);
      }
      const float x1 = x0 + 1.0f;
      const float z1 = z0 + 1.0f;
      // Counter-clockwise seen from above: the front face points up, so culling hides the floor
      // from below.
      glVertex3d(x0, 0.0, z0);
      glVertex3d(x0, 0.0, z1);
      glVertex3d(x1, 0.0, z1);
      glVertex3d(x1, 0.0, z0);
      z0 += 1.0f;
    }
    x0 += 1.0f;
  }
  glEnd();
}

// A piece of a model: normal and position of each corner, as GL_N3F_V3F lays them out. Small
// enough to stay in the processor's cache between filling it and OpenGL copying it.
constexpr std::size_t kPieceTriangles = 4096;
constexpr std::size_t kFloatsPerCorner = 6;

void sendPiece(std::size_t& corners) {
  if (corners > 0) {
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners));
    corners = 0;
  }
}

// The material whose colour triangle f takes; `inForce` when it keeps the colour before it, and
// null for white.
const ObjMaterial* colourOf(const ObjModel& model, int32_t f, const ObjMaterial* inForce) {
  const ObjMaterial* material = model.faceMaterial[f];
  if (model.colouring == Colouring::byMaterial) {
    return material;
  }
  return model.materialCount > 0 && material != nullptr ? material : inForce;
}

void setMaterialColour(const ObjMaterial* material) {
  if (material == nullptr) {
    glColor3f(1.0f, 1.0f, 1.0f);
  } else {
    glColor3f(material->diffuse.r, material->diffuse.g, material->diffuse.b);
  }
}

// What the model needs of the context, made the first time it is drawn there.
DrawingObjects& drawingObjectsOf(const ObjModel& model) {
  if (!model.drawingObjects) {
    model.drawingObjects = DrawingObjectsHandle(new DrawingObjects, freeDrawingObjects);
  }
  return *model.drawingObjects;
}

// Every triangle in order, a colour change only where the colour does, through vertex arrays: the
// same pixels as sending it vertex by vertex, for a fraction of the calls.
void drawModel(const ObjModel& model, float floorOffset) {
  static std::vector<GLfloat> piece(3 * kPieceTriangles * kFloatsPerCorner);
  drawingObjectsOf(model);
  glColor3f(1.0f, 1.0f, 1.0f);
  glTranslatef(0.0f, -floorOffset, 0.0f);
  glInterleavedArrays(GL_N3F_V3F, 0, piece.data());
  const ObjMaterial* previous = nullptr;  // white is in force
  std::size_t corners = 0;
  for (int32_t f = 0; f < model.faceCount; ++f) {
    if (!faceIndicesInRange(model, f)) {
      continue;
    }
    const ObjMaterial* material = colourOf(model, f, previous);
    if (material != previous) {
      sendPiece(corners);
      setMaterialColour(material);
      previous = material;
    }
    for (int k = 0; k < 3; ++k) {
      const Vec3& n = model.normals[model.faceNormalIndex[3 * f + k]];
      const Vec3& p = model.positions[model.faceVertexIndex[3 * f + k]];
      GLfloat* corner = &piece[kFloatsPerCorner * corners++];
      corner[0] = n.x;
      corner[1] = n.y;
      corner[2] = n.z;
      corner[3] = p.x;
      corner[4] = p.y;
      corner[5] = p.z;
    }
    if (corners == 3 * kPieceTriangles) {
      sendPiece(corners);
    }
  }
  sendPiece(corners);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

void initRenderState() {
  glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, kLightSpecular);
  glLightfv(GL_LIGHT0, GL_AMBIENT, kLightAmbient);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DEPTH_TEST);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glClearColor(0.5f, 0.5f, 0.8f, 0.0f);
}

void reshape(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A window minimised to height 0 would make the aspect a division by zero.
  const int safeHeight = height == 0 ? 1 : height;
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(safeHeight), 1.0, 500.0);
}

void drawScene(const CameraState& camera, const ObjModel* model, float floorOffset) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -camera.cameraDistance);
  glRotatef(-camera.cameraPitch, 1.0f, 0.0f, 0.0f);
  glRotatef(-camera.cameraYaw, 0.0f, 1.0f, 0.0f);
  // Set again under the camera transform so the light stays put in the scene.
  glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
  drawFloor();
  if (model != nullptr) {
    drawModel(*model, floorOffset);
  }
}
