#pragma once
// Saving and restoring the projection and model-view matrices around a draw in
// its own coordinate space (overlays, full-screen quads). Needs a current GL
// context. Each caller keeps its own GL call order, so the pops come in both
// orders; every push pairs with one pop.

// Makes mode (GL_PROJECTION or GL_MODELVIEW) current, saves its matrix and
// loads identity; mode stays current.
void pushIdentityMatrix(unsigned int mode);

// Restores the projection matrix, then the model-view; leaves model-view current.
void popProjectionThenModelView();

// With model-view current: restores it, then the projection matrix; leaves
// model-view current.
void popModelViewThenProjection();
