// What the player shows over the picture, laid out in the drawable's own
// pixels on the platform's on-screen display (platform/sdl/player_osd.h):
// the start card, a two-second message, the timeline bar. Nothing here
// changes a pixel of the frame when it is not drawn.
#pragma once

#include <string>

// The start card over black: title, running time, the warning, the keys;
// `reduced` adds a line saying reduced flashing is on.
void DrawStartCard(int width, int height, bool reduced);
// One message in the top left corner ("Paused 0:44.3 · Particle morph").
void DrawMessage(const std::string& text, int width, int height);
// The timeline bar across the bottom: a mark at every scene's start, the
// playhead at demo time d, the time and the scene under the playhead; with
// hoverX >= 0 the scene under the pointer too.
void DrawTimelineBar(int width, int height, double d, int hoverX);
// The bar's top edge: the pointer is over the bar at y >= this.
int TimelineBarTop(int width, int height);
