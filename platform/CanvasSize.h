#pragma once
// Two sizes kept apart. The canvas's pixel size is chosen once at start-up:
// the window asks for it, the full-size render target and the viewports mirror
// it, and the capture reads it back. The layout space is fixed: the overlays'
// orthographic space and the perspective's 4:3 aspect, in which every scene
// gives its positions whatever the pixel size.
struct CanvasSize {
    int width = 0;
    int height = 0;
};

// The pixel size a run draws at unless it is told otherwise.
constexpr CanvasSize kDefaultCanvasSize{800, 600};

// The layout space, in overlay units.
constexpr int kLayoutWidth = 800;
constexpr int kLayoutHeight = 600;

// Sides a canvas may have: small enough sizes still hold the glow's 128 x 128
// blur target, and no GL driver draws beyond the top.
constexpr int kMinCanvasSide = 128;
constexpr int kMaxCanvasSide = 16384;

// Reads "WIDTHxHEIGHT" (decimal digits only, such as 1440x1080); false for
// anything else or a side outside kMinCanvasSide to kMaxCanvasSide.
bool parseCanvasSize(const char* text, CanvasSize& size);

// The largest rectangle of the layout space's 4:3 shape within width x height:
// 1440 x 1080 on a 1920 x 1080 display, 2880 x 2160 on 3840 x 2160.
CanvasSize largestLayoutFit(int width, int height);

// size itself when neither side is above maxSide, else size scaled down with
// its shape kept (to whole pixels) until the longer side is maxSide.
CanvasSize fitWithin(CanvasSize size, int maxSide);

// True when the canvas holds the layout space with room to spare: at least as
// wide and as high, and larger in one of the two.
constexpr bool exceedsLayout(CanvasSize size) {
    return size.width >= kLayoutWidth && size.height >= kLayoutHeight &&
           (size.width > kLayoutWidth || size.height > kLayoutHeight);
}

inline bool operator==(CanvasSize a, CanvasSize b) {
    return a.width == b.width && a.height == b.height;
}
inline bool operator!=(CanvasSize a, CanvasSize b) {
    return !(a == b);
}
