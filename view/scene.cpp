#include "view/scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>
#include <vector>

#include "view/textures.h"

struct DrawingObjects {
  ModelTextures textures;
  // The model's triangles, kTrianglesPerList to a list, to be called in order; none until a frame
  // of many asks for them, or when the context had no names left.
  GLuint firstList = 0;
  GLsizei lists = 0;
};

void freeDrawingObjects(DrawingObjects* objects) {
  deleteTextures(objects->textures);
  if (objects->lists > 0) {
    glDeleteLists(objects->firstList, objects->lists);
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

// A piece of a model: each corner's texture coordinates or colour when it has them, its normal
// and its position, as GL_T2F_N3F_V3F, GL_C4F_N3F_V3F or GL_N3F_V3F lay them out. Small enough to
// stay in the processor's cache between filling it and OpenGL copying it.
constexpr std::size_t kPieceTriangles = 4096;
constexpr std::size_t kMostFloatsPerCorner = 10;

// How a run of triangles is drawn: in one colour, with a texture, or in the colours of their
// positions.
enum class Surface { plain, textured, coloured };

struct Piece {
  std::vector<GLfloat> floats = std::vector<GLfloat>(3 * kPieceTriangles * kMostFloatsPerCorner);
  std::size_t corners = 0;
  std::size_t used = 0;  // floats
};

void sendPiece(Piece& piece) {
  if (piece.corners > 0) {
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(piece.corners));
    piece.corners = 0;
    piece.used = 0;
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
    makeTextures(model.drawingObjects->textures, model);
  }
  return *model.drawingObjects;
}

bool hasColour(const Rgb& colour) {
  return colour.r != kNoColour.r;
}

// A textured triangle takes the image's colour alone, lit: white modulated by the texture, or,
// for a cut-out without a colour image, the material's colour.
void useTexture(const MaterialTexture& texture, const ObjMaterial* material) {
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glEnable(GL_TEXTURE_2D);
  if (texture.cutOut) {
    glEnable(GL_ALPHA_TEST);
  } else {
    glDisable(GL_ALPHA_TEST);
  }
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(texture.map->offset[0], texture.map->offset[1], 0.0f);
  glScalef(texture.map->scale[0], texture.map->scale[1], 1.0f);
  glMatrixMode(GL_MODELVIEW);
  if (texture.hasColour) {
    glColor3f(1.0f, 1.0f, 1.0f);
  } else {
    setMaterialColour(material);
  }
}

void useSurface(Surface surface, const MaterialTexture& texture, const ObjMaterial* material) {
  if (surface == Surface::textured) {
    useTexture(texture, material);
    return;
  }
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  if (surface == Surface::plain) {
    setMaterialColour(material);
  }
}

// How triangle f is drawn: textured when its material has a texture and its corners have
// texture coordinates, in its positions' colours when they all have one and its material has no
// colour image, plainly otherwise.
Surface surfaceOf(const ObjModel& model, int32_t f, const MaterialTexture& texture) {
  const std::size_t first = 3 * static_cast<std::size_t>(f);
  if (texture.name != 0 && !model.faceTexcoordIndex.empty() &&
      model.faceTexcoordIndex[first] != kNoIndex &&
      model.faceTexcoordIndex[first + 1] != kNoIndex &&
      model.faceTexcoordIndex[first + 2] != kNoIndex) {
    return Surface::textured;
  }
  if (!model.positionColours.empty() && !texture.hasColour) {
    const int32_t* v = &model.faceVertexIndex[first];
    if (hasColour(model.positionColours[static_cast<std::size_t>(v[0])]) &&
        hasColour(model.positionColours[static_cast<std::size_t>(v[1])]) &&
        hasColour(model.positionColours[static_cast<std::size_t>(v[2])])) {
      return Surface::coloured;
    }
  }
  return Surface::plain;
}

GLfloat* put(GLfloat* to, float a, float b, float c) {
  to[0] = a;
  to[1] = b;
  to[2] = c;
  return to + 3;
}

void addCorner(Piece& piece, const ObjModel& model, std::size_t corner, Surface surface) {
  GLfloat* to = &piece.floats[piece.used];
  if (surface == Surface::textured) {
    const Vec3& t = model.texcoords[static_cast<std::size_t>(model.faceTexcoordIndex[corner])];
    *to++ = t.x;
    *to++ = t.y;
  } else if (surface == Surface::coloured) {
    const Rgb& c = model.positionColours[static_cast<std::size_t>(model.faceVertexIndex[corner])];
    to = put(to, c.r, c.g, c.b);
    *to++ = 1.0f;
  }
  const Vec3& n = model.normals[static_cast<std::size_t>(model.faceNormalIndex[corner])];
  const Vec3& p = model.positions[static_cast<std::size_t>(model.faceVertexIndex[corner])];
  to = put(put(to, n.x, n.y, n.z), p.x, p.y, p.z);
  piece.used = static_cast<std::size_t>(to - piece.floats.data());
  ++piece.corners;
}

// The arrays' layout for a surface, pointing at the piece.
void pointArrays(Surface surface, Piece& piece) {
  const GLenum formats[] = {GL_N3F_V3F, GL_T2F_N3F_V3F, GL_C4F_N3F_V3F};
  glInterleavedArrays(formats[static_cast<int>(surface)], 0, piece.floats.data());
}

void resetTexturing() {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
}

// What is in force while a model's triangles go out in order, from one call to the next.
struct InForce {
  const ObjMaterial* material = nullptr;  // white
  const MaterialTexture* texture = nullptr;
  Surface surface = Surface::plain;
};

// Triangles `begin` ... `end` in order, a change of colour, texture or layout only where it
// changes, through vertex arrays: the same pixels as sending them vertex by vertex, for a fraction
// of the calls.
void drawTriangles(const ObjModel& model, const ModelTextures& textures, int32_t begin, int32_t end,
                   InForce& inForce, Piece& piece) {
  for (int32_t f = begin; f < end; ++f) {
    if (!faceIndicesInRange(model, f)) {
      continue;
    }
    const ObjMaterial* material = colourOf(model, f, inForce.material);
    if (material != inForce.material) {
      inForce.texture = &materialTexture(textures, material);
    }
    const Surface wanted = surfaceOf(model, f, *inForce.texture);
    if (material != inForce.material || wanted != inForce.surface) {
      sendPiece(piece);
      if (wanted != inForce.surface) {
        pointArrays(wanted, piece);
      }
      useSurface(wanted, *inForce.texture, material);
      inForce.material = material;
      inForce.surface = wanted;
    }
    for (std::size_t k = 3 * static_cast<std::size_t>(f); k < 3 * static_cast<std::size_t>(f) + 3;
         ++k) {
      addCorner(piece, model, k, inForce.surface);
    }
    if (piece.corners == 3 * kPieceTriangles) {
      sendPiece(piece);
    }
  }
  sendPiece(piece);
}

// The lists take the triangles as drawTriangles sends them, one stretch after another, the state
// in force carried from each into the next exactly as a direct drawing carries it: called in
// order from the same starting state, they leave the same pixels. Without names to spare, none.
void compileLists(DrawingObjects& objects, const ObjModel& model, const ModelTextures& textures,
                  Piece& piece) {
  const GLsizei count =
      static_cast<GLsizei>((model.faceCount + kTrianglesPerList - 1) / kTrianglesPerList);
  objects.firstList = count > 0 ? glGenLists(count) : 0;
  if (objects.firstList == 0) {
    return;
  }
  objects.lists = count;
  InForce inForce;
  inForce.texture = &materialTexture(textures, nullptr);
  for (GLsizei i = 0; i < count; ++i) {
    const int32_t begin = static_cast<int32_t>(i) * kTrianglesPerList;
    const int32_t end =
        model.faceCount - begin > kTrianglesPerList ? begin + kTrianglesPerList : model.faceCount;
    glNewList(objects.firstList + static_cast<GLuint>(i), GL_COMPILE);
    drawTriangles(model, textures, begin, end, inForce, piece);
    glEndList();
  }
}

// A model read whole goes through its display lists on a frame of many, made at the first; any
// other drawing goes straight through the arrays. `textures` are those of the model whose images
// it was made from.
void drawModel(const ObjModel& model, const ModelTextures& textures, float floorOffset,
               Frames frames) {
  static Piece piece;
  glColor3f(1.0f, 1.0f, 1.0f);
  glTranslatef(0.0f, -floorOffset, 0.0f);
  pointArrays(Surface::plain, piece);
  DrawingObjects& objects = drawingObjectsOf(model);
  if (frames == Frames::many && model.colouring == Colouring::byMaterial && objects.lists == 0) {
    compileLists(objects, model, textures, piece);
  }
  if (frames == Frames::many && objects.lists > 0) {
    for (GLsizei i = 0; i < objects.lists; ++i) {
      glCallList(objects.firstList + static_cast<GLuint>(i));
    }
  } else {
    InForce inForce;
    inForce.texture = &materialTexture(textures, nullptr);
    drawTriangles(model, textures, 0, model.faceCount, inForce, piece);
  }
  resetTexturing();
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
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
  // Cut-out textures keep the texels at least half opaque; the test is on only while they draw.
  glAlphaFunc(GL_GEQUAL, 0.5f);
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

void drawScene(const CameraState& camera, const ObjModel* model, float floorOffset, Frames frames) {
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
    // The full model's textures are made first, from its images, which then go: the simplified
    // model names the same materials and has no images of its own.
    const ModelTextures& textures = drawingObjectsOf(*model).textures;
    const bool moving = camera.zoomDrag != 0 || camera.orbitDrag != 0;
    drawModel(moving && model->simplified ? *model->simplified : *model, textures, floorOffset,
              frames);
  }
}
