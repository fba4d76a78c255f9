// The picture of a measurement, as lines and texts on a canvas of pixels
// that each platform draws with its own painter (Qt's on Linux, GDI on
// Windows) and saves as a PNG.
//
// Above, each tone's gain (dB) against its frequency on a log axis, the
// points joined; below, the averaged spectrum's tones and products as
// stems up from the floor (dBFS), the noise floor a line across.
#pragma once

#include "analysis/multitone.h"

#include <string>
#include <vector>

namespace tonegen {

enum class PlotInk { frame, grid, gain, tone, product, floor };

// How each ink is drawn: its colour and its pen's width in pixels.
struct PlotPen {
    unsigned char red, green, blue;
    int width;
};
PlotPen pen_of(PlotInk ink);

struct PlotLine {
    double x1, y1, x2, y2;
    PlotInk ink;
};

// A text centred on y; anchored at x by its left edge, centre or right edge.
struct PlotText {
    double x, y;
    std::string text;
    enum class Anchor { left, centre, right } anchor;
};

struct PlotPicture {
    int width = 900;
    int height = 600;
    std::vector<PlotLine> lines;
    std::vector<PlotText> texts;
};

PlotPicture measurement_plot(const Measurement& m);

} // namespace tonegen
