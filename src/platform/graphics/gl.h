// The one place the program includes its GL. The native demo includes
// OpenGL 1.1 and GLU; built with KELVANE_GLES (the web page, and the native
// OpenGL ES 2 build its tests use) the same names reach the fixed-function
// layer in platform/fixed_function.h instead.
#pragma once

#ifndef KELVANE_GLES

#ifdef _WIN32
// Windows' GL headers need only these three of <windows.h>, whose macros
// (LoadBitmap, DrawText and more) would otherwise reach every scene.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#else

#include "platform/graphics/fixed_function.h"

#define glBegin FixedBegin
#define glEnd FixedEnd
#define glVertex3f FixedVertex3f
#define glVertex3d FixedVertex3d
#define glNormal3f FixedNormal3f
#define glTexCoord2f FixedTexCoord2f
#define glColor3f FixedColor3f
#define glColor3fv FixedColor3fv
#define glColor4f FixedColor4f
#define glMatrixMode FixedMatrixMode
#define glLoadIdentity FixedLoadIdentity
#define glPushMatrix FixedPushMatrix
#define glPopMatrix FixedPopMatrix
#define glTranslatef FixedTranslatef
#define glScalef FixedScalef
#define glRotatef FixedRotatef
#define gluLookAt FixedLookAt
#define gluPerspective FixedPerspective
#define glNewList FixedNewList
#define glEndList FixedEndList
#define glCallList FixedCallList
#define glEnable FixedEnable
#define glDisable FixedDisable
#define glPolygonMode FixedPolygonMode
#define glPointSize FixedPointSize
#define glLightfv FixedLightfv
#define glLightModelfv FixedLightModelfv
#define glClearDepth FixedClearDepth
#define glClear FixedClear
#define glFlush FixedFlush
#define glViewport FixedViewport
#define glBlendFunc FixedBlendFunc
#define glBindTexture FixedBindTexture
#define glTexParameteri FixedTexParameteri
#define glTexImage2D FixedTexImage2D
#define glReadPixels FixedReadPixels

#endif
