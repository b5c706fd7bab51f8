#pragma once
// The projection and the wandering camera that more than one scene sets up.
// Free functions that need the window's GL context current; they keep no state.

// Projection matrix = 45-degree perspective, the layout aspect (4/3, whatever the pixel size), depth range 1 to 1000;
// leaves the matrix mode at projection.
void setScenePerspective();

// Model-view = identity, then the camera that drifts around the origin at
// eyeRadius for time t; leaves the matrix mode at model-view.
void setWanderingCamera(float t, double eyeRadius);
