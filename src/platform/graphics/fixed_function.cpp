// The fixed-function layer over OpenGL ES 2 / WebGL 1 (see fixed_function.h).
//
// Every vertex is multiplied on the CPU, in double precision, by the current
// projection times model-view, and stored in clip coordinates with its
// clamped colour and texture coordinate. Primitives are assembled as they
// arrive (quads split into (0 1 3) and (1 2 3), or into their edges in
// GL_LINE mode) and appended to one batch of triangles, lines or points:
// each primitive's corners once, and the indices that join them, so a quad
// costs four vertices rather than six.
// The batch is drawn by one shader pair when anything that the GPU would
// read changes: a capability, the blend function, the bound texture or its
// filters, the viewport, the point size, or the kind of primitive. Matrix
// and colour changes do not break a batch, which is what lets thousands of
// small cards go out as one draw.
//
// Display lists are command streams: while one is being compiled, the
// vertex, colour, texture coordinate and matrix calls are stored instead of
// run, and glCallList runs them again through the same entry points. State
// calls made while compiling run at once; the demo makes none.
#include "platform/graphics/fixed_function.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kModelViewDepth = 32;  // GL 1.1's minimum stack depths
constexpr int kProjectionDepth = 2;
constexpr int kMaxLists = 16;  // list names 1..15

struct TMatrix {
  double m[16];  // column-major, as GL keeps it
};

struct TVertex {
  float position[4];  // clip coordinates
  float colour[4];    // 0..1
  float texCoord[2];
};

enum class TListOp : unsigned char {
  kBegin,
  kEnd,
  kVertex,
  kTexCoord,
  kColour,
  kTranslate,
  kScale,
  kRotate,
  kPush,
  kPop,
  kIdentity,
  kCall,
};
struct TListCommand {
  TListOp op;
  float a[4];
};

// The layer's whole state. Written only by the functions of this file.
struct TFixedState {
  // Matrices.
  TMatrix modelView[kModelViewDepth];
  TMatrix projection[kProjectionDepth];
  int modelViewTop = 0;
  int projectionTop = 0;
  bool projectionMode = false;  // glMatrixMode(GL_PROJECTION) is in force
  TMatrix clip;                 // projection x model-view
  bool clipStale = true;

  // Current vertex attributes.
  float colour[4] = {1, 1, 1, 1};
  float texCoord[2] = {0, 0};

  // Primitive assembly between glBegin and glEnd.
  bool inside = false;  // between glBegin and glEnd
  GLenum mode = GL_POINTS;
  TVertex corners[4];
  int cornerCount = 0;

  // Rendering state the shader reads.
  bool texturing = false;
  GLuint boundTexture = 0;  // the program's, as glBindTexture last named it
  bool lineMode = false;
  float pointSize = 1.0f;

  // The batch: vertices gathered for one draw of batchKind, and the
  // indices into them that make its primitives.
  std::vector<TVertex> batch;
  std::vector<GLushort> indices;
  GLenum batchKind = GL_TRIANGLES;

  // Display lists.
  std::vector<TListCommand> lists[kMaxLists];
  int compiling = 0;  // the list being compiled, 0 when none

  // GL objects.
  GLuint program = 0;
  GLuint buffer = 0, indexBuffer = 0;
  GLuint white = 0;  // 1 x 1 white: what untextured draws sample
  GLint pointSizeUniform = -1;
  long vertices = 0, draws = 0;
};
TFixedState ff;

void SetIdentity(TMatrix* matrix) {
  for (int i = 0; i < 16; ++i) matrix->m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

TMatrix& Current() {
  return ff.projectionMode ? ff.projection[ff.projectionTop] : ff.modelView[ff.modelViewTop];
}

// current = current x by, as glMultMatrix does.
void MultiplyCurrent(const TMatrix& by) {
  TMatrix& a = Current();
  TMatrix r;
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * by.m[col * 4 + k];
      r.m[col * 4 + row] = sum;
    }
  a = r;
  ff.clipStale = true;
}

void TranslateCurrent(double x, double y, double z) {
  TMatrix t;
  SetIdentity(&t);
  t.m[12] = x;
  t.m[13] = y;
  t.m[14] = z;
  MultiplyCurrent(t);
}

const TMatrix& ClipMatrix() {
  if (ff.clipStale) {
    const TMatrix& p = ff.projection[ff.projectionTop];
    const TMatrix& v = ff.modelView[ff.modelViewTop];
    for (int col = 0; col < 4; ++col)
      for (int row = 0; row < 4; ++row) {
        double sum = 0.0;
        for (int k = 0; k < 4; ++k) sum += p.m[k * 4 + row] * v.m[col * 4 + k];
        ff.clip.m[col * 4 + row] = sum;
      }
    ff.clipStale = false;
  }
  return ff.clip;
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

bool Record(TListOp op, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0) {
  if (ff.compiling == 0) return false;
  ff.lists[ff.compiling].push_back(TListCommand{op, {a0, a1, a2, a3}});
  return true;
}

// Starts a batch of `kind` (GL_TRIANGLES, GL_LINES or GL_POINTS), drawing
// the one gathered so far when it is of another kind.
void UseBatchKind(GLenum kind) {
  if (ff.batchKind == kind) return;
  FlushFixedFunction();
  ff.batchKind = kind;
}

// Appends `count` corners and the primitives `order` makes of them (indices
// into the corners). A batch holds at most 65536 vertices, 16-bit indices.
void Emit(GLenum kind, const TVertex* corners, int count, const int* order, int orderCount) {
  UseBatchKind(kind);
  if (ff.batch.size() + count > 65536) FlushFixedFunction();
  const size_t base = ff.batch.size();
  ff.batch.insert(ff.batch.end(), corners, corners + count);
  for (int i = 0; i < orderCount; ++i) ff.indices.push_back(static_cast<GLushort>(base + order[i]));
}

void EmitTriangle(const TVertex* t) {
  static const int kFill[3] = {0, 1, 2};
  static const int kEdges[6] = {0, 1, 1, 2, 2, 0};
  if (ff.lineMode)
    Emit(GL_LINES, t, 3, kEdges, 6);
  else
    Emit(GL_TRIANGLES, t, 3, kFill, 3);
}

// Mesa's split: (0 1 3) and (1 2 3).
void EmitQuad(const TVertex* q) {
  static const int kFill[6] = {0, 1, 3, 1, 2, 3};
  static const int kEdges[8] = {0, 1, 1, 2, 2, 3, 3, 0};
  if (ff.lineMode)
    Emit(GL_LINES, q, 4, kEdges, 8);
  else
    Emit(GL_TRIANGLES, q, 4, kFill, 6);
}

void Vertex(double x, double y, double z) {
  if (Record(TListOp::kVertex, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)))
    return;
  if (!ff.inside) return;
  const TMatrix& c = ClipMatrix();
  TVertex& v = ff.corners[ff.cornerCount];
  for (int row = 0; row < 4; ++row)
    v.position[row] =
        static_cast<float>(c.m[row] * x + c.m[4 + row] * y + c.m[8 + row] * z + c.m[12 + row]);
  for (int i = 0; i < 4; ++i) v.colour[i] = ff.colour[i];
  v.texCoord[0] = ff.texCoord[0];
  v.texCoord[1] = ff.texCoord[1];
  ++ff.cornerCount;
  if (ff.mode == GL_POINTS) {
    static const int kPoint[1] = {0};
    Emit(GL_POINTS, &v, 1, kPoint, 1);
    ff.cornerCount = 0;
  } else if (ff.mode == GL_TRIANGLES && ff.cornerCount == 3) {
    EmitTriangle(ff.corners);
    ff.cornerCount = 0;
  } else if (ff.mode == GL_QUADS && ff.cornerCount == 4) {
    EmitQuad(ff.corners);
    ff.cornerCount = 0;
  }
}

GLuint CompileShader(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "kelvane: the fixed-function shader does not compile: %s\n", log);
  }
  return shader;
}

const char* const kVertexShader =
    "attribute vec4 position;\n"
    "attribute vec4 colour;\n"
    "attribute vec2 texCoord;\n"
    "uniform float pointSize;\n"
    "varying vec4 vColour;\n"
    "varying vec2 vTexCoord;\n"
    "void main() {\n"
    "  gl_Position = position;\n"
    "  gl_PointSize = pointSize;\n"
    "  vColour = colour;\n"
    "  vTexCoord = texCoord;\n"
    "}\n";
// GL_MODULATE: the texel times the colour, alpha included. Untextured draws
// sample a white texel, which leaves the colour as it is, so no branch.
const char* const kFragmentShader =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform sampler2D picture;\n"
    "varying vec4 vColour;\n"
    "varying vec2 vTexCoord;\n"
    "void main() {\n"
    "  gl_FragColor = vColour * texture2D(picture, vTexCoord);\n"
    "}\n";

enum { kPositionAttribute = 0, kColourAttribute = 1, kTexCoordAttribute = 2 };

}  // namespace

bool OpenFixedFunction() {
  ff = TFixedState();
  for (TMatrix& m : ff.modelView) SetIdentity(&m);
  for (TMatrix& m : ff.projection) SetIdentity(&m);
  ff.batch.reserve(16384);
  ff.indices.reserve(32768);

  ff.program = glCreateProgram();
  glAttachShader(ff.program, CompileShader(GL_VERTEX_SHADER, kVertexShader));
  glAttachShader(ff.program, CompileShader(GL_FRAGMENT_SHADER, kFragmentShader));
  glBindAttribLocation(ff.program, kPositionAttribute, "position");
  glBindAttribLocation(ff.program, kColourAttribute, "colour");
  glBindAttribLocation(ff.program, kTexCoordAttribute, "texCoord");
  glLinkProgram(ff.program);
  GLint linked = 0;
  glGetProgramiv(ff.program, GL_LINK_STATUS, &linked);
  if (!linked) {
    std::fprintf(stderr, "kelvane: the fixed-function shaders do not link\n");
    return false;
  }
  glUseProgram(ff.program);
  ff.pointSizeUniform = glGetUniformLocation(ff.program, "pointSize");
  glUniform1i(glGetUniformLocation(ff.program, "picture"), 0);

  glGenBuffers(1, &ff.buffer);
  glBindBuffer(GL_ARRAY_BUFFER, ff.buffer);
  glGenBuffers(1, &ff.indexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ff.indexBuffer);
  const GLsizei stride = sizeof(TVertex);
  glVertexAttribPointer(kPositionAttribute, 4, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TVertex, position)));
  glVertexAttribPointer(kColourAttribute, 4, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TVertex, colour)));
  glVertexAttribPointer(kTexCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TVertex, texCoord)));
  glEnableVertexAttribArray(kPositionAttribute);
  glEnableVertexAttribArray(kColourAttribute);
  glEnableVertexAttribArray(kTexCoordAttribute);

  const GLubyte white[4] = {255, 255, 255, 255};
  glGenTextures(1, &ff.white);
  glBindTexture(GL_TEXTURE_2D, ff.white);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  return true;
}

void FlushFixedFunction() {
  if (ff.batch.empty()) return;
  glUniform1f(ff.pointSizeUniform, ff.pointSize);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(ff.batch.size() * sizeof(TVertex)),
               ff.batch.data(), GL_STREAM_DRAW);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER,
               static_cast<GLsizeiptr>(ff.indices.size() * sizeof(GLushort)), ff.indices.data(),
               GL_STREAM_DRAW);
  if (!ff.texturing) glBindTexture(GL_TEXTURE_2D, ff.white);
  glDrawElements(ff.batchKind, static_cast<GLsizei>(ff.indices.size()), GL_UNSIGNED_SHORT, nullptr);
  if (!ff.texturing) glBindTexture(GL_TEXTURE_2D, ff.boundTexture);
  ff.vertices += static_cast<long>(ff.batch.size());
  ++ff.draws;
  ff.batch.clear();
  ff.indices.clear();
}

long FixedVertexCount() { return ff.vertices; }
long FixedDrawCount() { return ff.draws; }

// Immediate mode.

void FixedBegin(GLenum mode) {
  if (Record(TListOp::kBegin, static_cast<float>(mode))) return;
  ff.inside = true;
  ff.mode = mode;
  ff.cornerCount = 0;
}
void FixedEnd() {
  if (Record(TListOp::kEnd)) return;
  ff.inside = false;
  ff.cornerCount = 0;  // an unfinished primitive is dropped, as in GL
}
void FixedVertex3f(GLfloat x, GLfloat y, GLfloat z) { Vertex(x, y, z); }
void FixedVertex3d(double x, double y, double z) { Vertex(x, y, z); }
void FixedNormal3f(GLfloat, GLfloat, GLfloat) {}
void FixedTexCoord2f(GLfloat s, GLfloat t) {
  if (Record(TListOp::kTexCoord, s, t)) return;
  ff.texCoord[0] = s;
  ff.texCoord[1] = t;
}
void FixedColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  if (Record(TListOp::kColour, r, g, b, a)) return;
  ff.colour[0] = Clamp01(r);
  ff.colour[1] = Clamp01(g);
  ff.colour[2] = Clamp01(b);
  ff.colour[3] = Clamp01(a);
}
void FixedColor3f(GLfloat r, GLfloat g, GLfloat b) { FixedColor4f(r, g, b, 1.0f); }
void FixedColor3fv(const GLfloat* rgb) { FixedColor4f(rgb[0], rgb[1], rgb[2], 1.0f); }

// Matrices.

void FixedMatrixMode(GLenum mode) { ff.projectionMode = mode == GL_PROJECTION; }

void FixedLoadIdentity() {
  if (Record(TListOp::kIdentity)) return;
  SetIdentity(&Current());
  ff.clipStale = true;
}

void FixedPushMatrix() {
  if (Record(TListOp::kPush)) return;
  int& top = ff.projectionMode ? ff.projectionTop : ff.modelViewTop;
  const int depth = ff.projectionMode ? kProjectionDepth : kModelViewDepth;
  if (top + 1 >= depth) return;  // GL_STACK_OVERFLOW: nothing changes
  TMatrix* stack = ff.projectionMode ? ff.projection : ff.modelView;
  stack[top + 1] = stack[top];
  ++top;
}

void FixedPopMatrix() {
  if (Record(TListOp::kPop)) return;
  int& top = ff.projectionMode ? ff.projectionTop : ff.modelViewTop;
  if (top == 0) return;  // GL_STACK_UNDERFLOW
  --top;
  ff.clipStale = true;
}

void FixedTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  if (Record(TListOp::kTranslate, x, y, z)) return;
  TranslateCurrent(x, y, z);
}

void FixedScalef(GLfloat x, GLfloat y, GLfloat z) {
  if (Record(TListOp::kScale, x, y, z)) return;
  TMatrix s;
  SetIdentity(&s);
  s.m[0] = x;
  s.m[5] = y;
  s.m[10] = z;
  MultiplyCurrent(s);
}

void FixedRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
  if (Record(TListOp::kRotate, degrees, x, y, z)) return;
  const double length = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                  static_cast<double>(z) * z);
  if (length == 0.0) return;
  const double ax = x / length, ay = y / length, az = z / length;
  const double a = degrees * kPi / 180.0;
  const double c = std::cos(a), s = std::sin(a), t = 1.0 - c;
  TMatrix r;
  SetIdentity(&r);
  r.m[0] = t * ax * ax + c;
  r.m[1] = t * ax * ay + s * az;
  r.m[2] = t * ax * az - s * ay;
  r.m[4] = t * ax * ay - s * az;
  r.m[5] = t * ay * ay + c;
  r.m[6] = t * ay * az + s * ax;
  r.m[8] = t * ax * az + s * ay;
  r.m[9] = t * ay * az - s * ax;
  r.m[10] = t * az * az + c;
  MultiplyCurrent(r);
}

void FixedLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                 double centreZ, double upX, double upY, double upZ) {
  double f[3] = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
  const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  if (fl == 0.0) return;
  for (double& v : f) v /= fl;
  // side = forward x up, then up = side x forward, as GLU builds them.
  double s[3] = {f[1] * upZ - f[2] * upY, f[2] * upX - f[0] * upZ, f[0] * upY - f[1] * upX};
  const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  if (sl == 0.0) return;
  for (double& v : s) v /= sl;
  const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                       s[0] * f[1] - s[1] * f[0]};
  TMatrix m;
  SetIdentity(&m);
  for (int i = 0; i < 3; ++i) {
    m.m[i * 4 + 0] = s[i];
    m.m[i * 4 + 1] = u[i];
    m.m[i * 4 + 2] = -f[i];
  }
  MultiplyCurrent(m);
  TranslateCurrent(-eyeX, -eyeY, -eyeZ);
}

void FixedPerspective(double fovyDegrees, double aspect, double zNear, double zFar) {
  const double half = fovyDegrees / 2.0 * kPi / 180.0;
  const double depth = zFar - zNear;
  const double sine = std::sin(half);
  if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
  const double cotangent = std::cos(half) / sine;
  TMatrix m;
  SetIdentity(&m);
  m.m[0] = cotangent / aspect;
  m.m[5] = cotangent;
  m.m[10] = -(zFar + zNear) / depth;
  m.m[11] = -1.0;
  m.m[14] = -2.0 * zNear * zFar / depth;
  m.m[15] = 0.0;
  MultiplyCurrent(m);
}

// Display lists.

void FixedNewList(GLuint list, GLenum) {
  if (list == 0 || list >= static_cast<GLuint>(kMaxLists) || ff.compiling != 0) return;
  ff.lists[list].clear();
  ff.compiling = static_cast<int>(list);
}

void FixedEndList() { ff.compiling = 0; }

void FixedCallList(GLuint list) {
  if (Record(TListOp::kCall, static_cast<float>(list))) return;
  if (list == 0 || list >= static_cast<GLuint>(kMaxLists)) return;
  for (const TListCommand& c : ff.lists[list]) {
    switch (c.op) {
      case TListOp::kBegin:
        FixedBegin(static_cast<GLenum>(c.a[0]));
        break;
      case TListOp::kEnd:
        FixedEnd();
        break;
      case TListOp::kVertex:
        Vertex(c.a[0], c.a[1], c.a[2]);
        break;
      case TListOp::kTexCoord:
        FixedTexCoord2f(c.a[0], c.a[1]);
        break;
      case TListOp::kColour:
        FixedColor4f(c.a[0], c.a[1], c.a[2], c.a[3]);
        break;
      case TListOp::kTranslate:
        FixedTranslatef(c.a[0], c.a[1], c.a[2]);
        break;
      case TListOp::kScale:
        FixedScalef(c.a[0], c.a[1], c.a[2]);
        break;
      case TListOp::kRotate:
        FixedRotatef(c.a[0], c.a[1], c.a[2], c.a[3]);
        break;
      case TListOp::kPush:
        FixedPushMatrix();
        break;
      case TListOp::kPop:
        FixedPopMatrix();
        break;
      case TListOp::kIdentity:
        FixedLoadIdentity();
        break;
      case TListOp::kCall:
        // A list calling itself would never end; GL bounds the nesting too.
        if (static_cast<GLuint>(c.a[0]) != list) FixedCallList(static_cast<GLuint>(c.a[0]));
        break;
    }
  }
}

// State. Each change draws the batch gathered under the old state first.

void FixedEnable(GLenum cap) {
  if (cap == GL_LIGHTING || cap == GL_LIGHT0 || cap == GL_FOG) return;
  FlushFixedFunction();
  if (cap == GL_TEXTURE_2D)
    ff.texturing = true;
  else
    glEnable(cap);
}

void FixedDisable(GLenum cap) {
  if (cap == GL_LIGHTING || cap == GL_LIGHT0 || cap == GL_FOG) return;
  FlushFixedFunction();
  if (cap == GL_TEXTURE_2D)
    ff.texturing = false;
  else
    glDisable(cap);
}

// The demo always sets both faces alike; the front face's mode is used.
void FixedPolygonMode(GLenum face, GLenum mode) {
  if (face == GL_FRONT || face == GL_FRONT_AND_BACK) ff.lineMode = mode == GL_LINE;
}

void FixedPointSize(GLfloat size) {
  if (size == ff.pointSize) return;
  FlushFixedFunction();
  ff.pointSize = size;
}

void FixedLightfv(GLenum, GLenum, const GLfloat*) {}
void FixedLightModelfv(GLenum, const GLfloat*) {}

void FixedClearDepth(double depth) { glClearDepthf(static_cast<GLfloat>(depth)); }

void FixedClear(GLbitfield mask) {
  FlushFixedFunction();
  glClear(mask);
}

void FixedFlush() {
  FlushFixedFunction();
  glFlush();
}

void FixedViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  FlushFixedFunction();
  glViewport(x, y, width, height);
}

void FixedBlendFunc(GLenum source, GLenum destination) {
  FlushFixedFunction();
  glBlendFunc(source, destination);
}

void FixedBindTexture(GLenum target, GLuint texture) {
  FlushFixedFunction();
  ff.boundTexture = texture;
  glBindTexture(target, texture);
}

void FixedTexParameteri(GLenum target, GLenum name, GLint value) {
  FlushFixedFunction();
  glTexParameteri(target, name, value);
}

// GL 1.1 takes a component count (3 or 4) as internal format; ES wants the
// format itself.
void FixedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                     GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels) {
  FlushFixedFunction();
  GLint internal = internalFormat;
  if (internal == 3) internal = GL_RGB;
  if (internal == 4) internal = GL_RGBA;
  glTexImage2D(target, level, internal, width, height, border, format, type, pixels);
}

void FixedReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     void* pixels) {
  FlushFixedFunction();
  glReadPixels(x, y, width, height, format, type, pixels);
}
