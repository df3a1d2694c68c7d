// The on-screen display on SDL2_ttf and OpenGL 1.1: each line of text is
// rendered white, once, into a texture of power-of-two sides (OpenGL 1.1
// has no others) and drawn tinted by glColor; the last few lines are kept,
// so a message standing for two seconds is rendered once.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstring>
#include <vector>

#include "platform/graphics/gl.h"
#include "platform/sdl/player_osd.h"

namespace {

// DejaVu Sans: the system's on Linux (fonts-dejavu-core); on Windows, which
// has none, the one the zip puts beside the programs.
std::vector<std::string> FontFiles() {
#ifdef _WIN32
  std::string folder;
  if (char* base = SDL_GetBasePath()) {
    folder = base;
    SDL_free(base);
  }
  return {folder + "DejaVuSans.ttf"};
#else
  return {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
          "/usr/share/fonts/dejavu/DejaVuSans.ttf"};
#endif
}
#ifdef _WIN32
constexpr const char* kFontAdvice = "it belongs beside kelvane-player.exe";
#else
constexpr const char* kFontAdvice = "install fonts-dejavu-core";
#endif
constexpr int kFontSizes = 4;     // sizes open at once
constexpr int kCachedLines = 24;  // rendered lines kept

struct TOsdFont {
  int size = 0;
  TTF_Font* font = nullptr;
};

struct TOsdLine {
  std::string text;
  int size = 0;
  GLuint texture = 0;
  int width = 0, height = 0;        // the text's pixels
  int texWidth = 0, texHeight = 0;  // the texture's
  uint64_t used = 0;
};

// Written by the functions of this file, on the player's thread.
struct TOsdState {
  bool open = false;
  std::string fontFile;
  TOsdFont fonts[kFontSizes];
  int nextFont = 0;
  TOsdLine lines[kCachedLines];
  uint64_t clock = 0;
} osd;

TTF_Font* FontOfSize(int size) {
  for (const TOsdFont& f : osd.fonts)
    if (f.font && f.size == size) return f.font;
  TOsdFont& slot = osd.fonts[osd.nextFont];
  osd.nextFont = (osd.nextFont + 1) % kFontSizes;
  if (slot.font) TTF_CloseFont(slot.font);
  // DejaVu Sans's line is about 1.16 of its point size.
  slot.font = TTF_OpenFont(osd.fontFile.c_str(), size * 100 / 116);
  slot.size = size;
  return slot.font;
}

int PowerOfTwo(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

// The cached line, rendering it when it is not there; null when it cannot be.
const TOsdLine* LineOf(const char* text, int size) {
  ++osd.clock;
  TOsdLine* oldest = &osd.lines[0];
  for (TOsdLine& line : osd.lines) {
    if (line.texture && line.size == size && line.text == text) {
      line.used = osd.clock;
      return &line;
    }
    if (line.used < oldest->used) oldest = &line;
  }
  TTF_Font* font = FontOfSize(size);
  if (!font || !*text) return nullptr;
  SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text, SDL_Color{255, 255, 255, 255});
  if (!rendered) return nullptr;
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ABGR8888, 0);
  SDL_FreeSurface(rendered);
  if (!rgba) return nullptr;
  TOsdLine& line = *oldest;
  if (!line.texture) glGenTextures(1, &line.texture);
  line.text = text;
  line.size = size;
  line.width = rgba->w;
  line.height = rgba->h;
  line.texWidth = PowerOfTwo(rgba->w);
  line.texHeight = PowerOfTwo(rgba->h);
  line.used = osd.clock;
  glBindTexture(GL_TEXTURE_2D, line.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, line.texWidth, line.texHeight, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, nullptr);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba->pitch / 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, rgba->w, rgba->h, GL_RGBA, GL_UNSIGNED_BYTE,
                  rgba->pixels);
  SDL_FreeSurface(rgba);
  return &line;
}

void SetColor(TOsdColor c) { glColor4ub(c >> 24, (c >> 16) & 255, (c >> 8) & 255, c & 255); }

}  // namespace

bool OpenPlayerOsd(std::string* error) {
  if (osd.open) return true;
  const std::vector<std::string> files = FontFiles();
  for (const std::string& file : files)
    if (SDL_RWops* probe = SDL_RWFromFile(file.c_str(), "rb")) {
      SDL_RWclose(probe);
      osd.fontFile = file;
      break;
    }
  if (osd.fontFile.empty()) {
    *error = "no font for the on-screen display (" + files[0] + " is missing; " + kFontAdvice +
             ")";
    return false;
  }
  if (TTF_Init() != 0) {
    *error = std::string("SDL2_ttf does not start: ") + TTF_GetError();
    return false;
  }
  TTF_Font* probe = TTF_OpenFont(osd.fontFile.c_str(), 12);
  if (!probe) {
    *error = osd.fontFile + ": " + TTF_GetError();
    TTF_Quit();
    return false;
  }
  TTF_CloseFont(probe);
  osd.open = true;
  return true;
}

void ClosePlayerOsd() {
  if (!osd.open) return;
  for (TOsdLine& line : osd.lines) {
    if (line.texture) glDeleteTextures(1, &line.texture);
    line = TOsdLine{};
  }
  for (TOsdFont& f : osd.fonts) {
    if (f.font) TTF_CloseFont(f.font);
    f = TOsdFont{};
  }
  TTF_Quit();
  osd.open = false;
}

void BeginPlayerOsd(int width, int height) {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, width, height);
  for (GLenum cap :
       {GL_SCISSOR_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_ALPHA_TEST,
        GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_COLOR_MATERIAL, GL_STENCIL_TEST})
    glDisable(cap);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void EndPlayerOsd() {
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}

void DrawOsdBox(int x, int y, int width, int height, TOsdColor color) {
  glDisable(GL_TEXTURE_2D);
  SetColor(color);
  glBegin(GL_QUADS);
  glVertex2i(x, y);
  glVertex2i(x + width, y);
  glVertex2i(x + width, y + height);
  glVertex2i(x, y + height);
  glEnd();
}

int DrawOsdText(const char* text, int x, int y, int size, TOsdColor color, TOsdAlign align) {
  if (!osd.open) return 0;
  const TOsdLine* line = LineOf(text, size);
  if (!line) return 0;
  if (align == TOsdAlign::kCentre) x -= line->width / 2;
  if (align == TOsdAlign::kRight) x -= line->width;
  const float s = float(line->width) / line->texWidth, t = float(line->height) / line->texHeight;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, line->texture);
  SetColor(color);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2i(x, y);
  glTexCoord2f(s, 0);
  glVertex2i(x + line->width, y);
  glTexCoord2f(s, t);
  glVertex2i(x + line->width, y + line->height);
  glTexCoord2f(0, t);
  glVertex2i(x, y + line->height);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  return line->width;
}

int OsdTextWidth(const char* text, int size) {
  if (!osd.open) return 0;
  TTF_Font* font = FontOfSize(size);
  int w = 0, h = 0;
  if (!font || TTF_SizeUTF8(font, text, &w, &h) != 0) return 0;
  return w;
}
