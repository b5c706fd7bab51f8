#pragma once
// A small floating-point RGBA canvas for the asset generator: linear 0..1
// channels, straight (not premultiplied) alpha, row 0 at the top. Drawing is
// anti-aliased by coverage and deterministic; no GL, single-threaded per canvas.
#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

// Mixes a and b: f = 0 gives a, f = 1 gives b (all four channels).
Rgba mix(const Rgba& a, const Rgba& b, float f);

class Canvas {
public:
    // A width x height canvas filled with fill.
    Canvas(int width, int height, Rgba fill = Rgba{0, 0, 0, 0});

    int width() const { return widthPx; }
    int height() const { return heightPx; }
    // The pixel at (x, y); x and y must lie inside.
    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * widthPx + x]; }
    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * widthPx + x]; }

    // Lays colour over pixel (x, y) with the colour's alpha times coverage
    // ("over" compositing); pixels outside are ignored.
    void blend(int x, int y, const Rgba& colour, float coverage = 1.0f);
    // Fills the axis-aligned rectangle [x0, x1) x [y0, y1) with edge coverage.
    void fillRect(float x0, float y0, float x1, float y1, const Rgba& colour);
    // Fills a disc of radius r centred on (cx, cy).
    void fillCircle(float cx, float cy, float r, const Rgba& colour);
    // Strokes a circle outline of the given line width.
    void strokeCircle(float cx, float cy, float r, float lineWidth, const Rgba& colour);
    // Draws a line segment of the given width with round caps.
    void drawLine(float x0, float y0, float x1, float y1, float lineWidth, const Rgba& colour);
    // Copies src into this canvas with its top-left at (x, y), blended "over".
    void paste(const Canvas& src, int x, int y);
    // Separable box blur of all four channels over 2 x radiusPx + 1 pixels,
    // repeated passCount times.
    void blur(int radiusPx, int passCount);

    // Writes an 8-bit RGBA (withAlpha) or RGB PNG with no time or gamma chunks,
    // so the bytes depend only on the pixels. False when it cannot be written.
    bool writePng(const std::string& path, bool withAlpha) const;
    // Writes a baseline colour JPEG at the given quality (1..100).
    bool writeJpeg(const std::string& path, int quality) const;

    // The 8-bit value of a 0..1 channel, rounded and clamped.
    static uint8_t toByte(float v);

private:
    int widthPx;
    int heightPx;
    std::vector<Rgba> pixels;
};

// Bilinear sample of src at continuous pixel coordinates (pixel centres at
// +0.5), interpolated with premultiplied alpha and clamped at the borders.
Rgba sampleBilinear(const Canvas& src, float x, float y);
// src scaled to width x height by bilinear sampling (meant for modest scale changes).
Canvas resampled(const Canvas& src, int width, int height);
