// The fixed-function layer: the part of OpenGL 1.1 and GLU that the demo
// draws with, over OpenGL ES 2 or WebGL 1. platform/graphics/gl.h maps the GL names
// onto these functions when the program is built with KELVANE_GLES; the
// native demo never sees this file.
//
// What it covers, and no more:
// - immediate mode (GL_QUADS, GL_TRIANGLES, GL_POINTS) with colour, texture
//   coordinate and vertex; the vertices are transformed on the CPU and
//   gathered into one vertex buffer, drawn when the GL state changes, so a
//   run of 2000 cards is one draw;
// - the model-view and projection stacks, gluLookAt and gluPerspective;
// - display lists compiled with GL_COMPILE: they record the vertex, colour
//   and matrix calls and replay them through the same entry points;
// - GL_LINE polygon mode (drawn as the primitives' edges) and point size;
// - GL_MODULATE texturing with internal formats 3 and 4, blending, depth.
// Lighting, fog and normals are accepted and ignored: the demo lights
// nothing it shows. Colours are clamped to 0..1 when given, as GL 1.1 does
// before texturing; quads are split into (0 1 3) and (1 2 3), as Mesa does.
#pragma once

#include <GLES2/gl2.h>

// GL 1.1 names that OpenGL ES 2 does not have (values from GL 1.1).
#define GL_QUADS 0x0007
#define GL_COMPILE 0x1300
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_LIGHTING 0x0B50
#define GL_LIGHT0 0x4000
#define GL_FOG 0x0B60
#define GL_POSITION 0x1203
#define GL_LIGHT_MODEL_AMBIENT 0x0B53
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02

// Compiles the shader pair and makes the vertex buffer. Needs a current
// context; false when the shaders do not build (the reason on stderr).
bool OpenFixedFunction();
// Draws what is gathered and not yet drawn. Every entry point that changes
// GL state does this first; the frame's owner calls it before reading
// pixels or handing the frame over.
void FlushFixedFunction();
// Vertices handed to the GPU since OpenFixedFunction, and the draws that
// carried them, for the tests and the benchmark.
long FixedVertexCount();
long FixedDrawCount();

// The GL 1.1 and GLU entry points, under names of their own.
void FixedBegin(GLenum mode);
void FixedEnd();
void FixedVertex3f(GLfloat x, GLfloat y, GLfloat z);
void FixedVertex3d(double x, double y, double z);
void FixedNormal3f(GLfloat x, GLfloat y, GLfloat z);
void FixedTexCoord2f(GLfloat s, GLfloat t);
void FixedColor3f(GLfloat r, GLfloat g, GLfloat b);
void FixedColor3fv(const GLfloat* rgb);
void FixedColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);

void FixedMatrixMode(GLenum mode);
void FixedLoadIdentity();
void FixedPushMatrix();
void FixedPopMatrix();
void FixedTranslatef(GLfloat x, GLfloat y, GLfloat z);
void FixedScalef(GLfloat x, GLfloat y, GLfloat z);
void FixedRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z);
void FixedLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                 double centreZ, double upX, double upY, double upZ);
void FixedPerspective(double fovyDegrees, double aspect, double zNear, double zFar);

void FixedNewList(GLuint list, GLenum mode);
void FixedEndList();
void FixedCallList(GLuint list);

void FixedEnable(GLenum cap);
void FixedDisable(GLenum cap);
void FixedPolygonMode(GLenum face, GLenum mode);
void FixedPointSize(GLfloat size);
void FixedLightfv(GLenum light, GLenum name, const GLfloat* values);
void FixedLightModelfv(GLenum name, const GLfloat* values);
void FixedClearDepth(double depth);
void FixedClear(GLbitfield mask);
void FixedFlush();
void FixedViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void FixedBlendFunc(GLenum source, GLenum destination);
void FixedBindTexture(GLenum target, GLuint texture);
void FixedTexParameteri(GLenum target, GLenum name, GLint value);
void FixedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                     GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels);
void FixedReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     void* pixels);
