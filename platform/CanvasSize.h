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
