#pragma once
// The size every frame is drawn at, whatever the window or the output: the
// window asks for it, the render targets mirror it, the overlays and the
// projection's aspect assume it, and the capture reads it back.
constexpr int kCanvasWidth = 800;
constexpr int kCanvasHeight = 600;
