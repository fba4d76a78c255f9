#include "analysis/measure_plot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace tonegen {

namespace {

constexpr double left = 80, right = 870;
constexpr double lowest_hz = 20, highest_hz = 22050;

double x_of(double hz)
{
    return left + (right - left) * std::log(hz / lowest_hz) / std::log(highest_hz / lowest_hz);
}

std::string number(double v, double step)
{
    char text[32];
    std::snprintf(text, sizeof text, step < 1.0 ? "%.1f" : "%.0f", v);
    return text;
}

// A vertical axis from `low` to `high` over the pixels `top`..`bottom`,
// its grid at a round step and the numbers beside it.
struct Panel {
    double top, bottom, low, high;

    double y_of(double v) const { return bottom - (bottom - top) * (std::clamp(v, low, high) - low) / (high - low); }

    void draw(PlotPicture& p, const std::string& title) const
    {
        double step = 0.1;
        for (double s : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0})
            if ((high - low) / s <= 8.0) {
                step = s;
                break;
            }
        for (double v = std::ceil(low / step) * step; v <= high + 1e-9; v += step) {
            p.lines.push_back({left, y_of(v), right, y_of(v), PlotInk::grid});
            p.texts.push_back({left - 6, y_of(v), number(std::abs(v) < 1e-9 ? 0.0 : v, step), PlotText::Anchor::right});
        }
        for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
            p.lines.push_back({x_of(hz), top, x_of(hz), bottom, PlotInk::grid});
            char text[16];
            std::snprintf(text, sizeof text, hz >= 1000 ? "%.0fk" : "%.0f", hz >= 1000 ? hz / 1000 : hz);
            p.texts.push_back({x_of(hz), bottom + 12, text, PlotText::Anchor::centre});
        }
        for (const auto& [x1, y1, x2, y2] : {std::array{left, top, right, top}, std::array{right, top, right, bottom},
                                             std::array{right, bottom, left, bottom}, std::array{left, bottom, left, top}})
            p.lines.push_back({x1, y1, x2, y2, PlotInk::frame});
        p.texts.push_back({left, top - 14, title, PlotText::Anchor::left});
    }
};

} // namespace

PlotPen pen_of(PlotInk ink)
{
    switch (ink) {
    case PlotInk::frame:
        return {0, 0, 0, 2};
    case PlotInk::grid:
        return {220, 220, 220, 1};
    case PlotInk::gain:
        return {0, 90, 200, 2};
    case PlotInk::tone:
        return {0, 140, 60, 2};
    case PlotInk::product:
        return {210, 40, 30, 2};
    case PlotInk::floor:
        return {140, 140, 140, 2};
    }
    return {0, 0, 0, 1};
}

PlotPicture measurement_plot(const Measurement& m)
{
    PlotPicture p;
    double low = 0.0, high = 0.0;
    for (const ToneReading& t : m.tones) {
        low = std::min(low, t.gain_db);
        high = std::max(high, t.gain_db);
    }
    // At least a decibel either side of 0, so that a flat response looks flat.
    const Panel gain{40, 250, std::floor(std::min(low, -1.0)), std::ceil(std::max(high, 1.0))};
    gain.draw(p, "Gain (dB) against frequency (Hz)");
    for (std::size_t i = 0; i < m.tones.size(); ++i) {
        const double x = x_of(double(m.tones[i].frequency)), y = gain.y_of(m.tones[i].gain_db);
        p.lines.push_back({x - 3, y - 3, x + 3, y + 3, PlotInk::gain});
        p.lines.push_back({x - 3, y + 3, x + 3, y - 3, PlotInk::gain});
        if (i > 0)
            p.lines.push_back({x_of(double(m.tones[i - 1].frequency)), gain.y_of(m.tones[i - 1].gain_db), x, y,
                               PlotInk::gain});
    }

    const Panel spectrum{310, 560, std::floor(std::max(m.noise_floor_dbfs - 10.0, -200.0) / 10.0) * 10.0, 0.0};
    spectrum.draw(p, "Received (dBFS per bin): tones, products and the noise floor");
    p.lines.push_back({left, spectrum.y_of(m.noise_floor_dbfs), right, spectrum.y_of(m.noise_floor_dbfs),
                       PlotInk::floor});
    for (const ToneReading& t : m.tones)
        p.lines.push_back({x_of(double(t.frequency)), spectrum.bottom, x_of(double(t.frequency)),
                           spectrum.y_of(t.received_dbfs), PlotInk::tone});
    for (const ProductReading& q : m.products)
        p.lines.push_back({x_of(double(q.frequency)), spectrum.bottom, x_of(double(q.frequency)),
                           spectrum.y_of(q.received_dbfs), PlotInk::product});
    return p;
}

} // namespace tonegen
