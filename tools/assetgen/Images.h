#pragma once
// The demo's ten images, each painted in code onto a Canvas. Each maker is a
// pure function of nothing (no clock, no shared random state), so the same
// pixels come out every run; safe to call from different threads.
#include "tools/assetgen/Canvas.h"

// bakgrunn.png: 1024 x 1024 RGBA frame over the rippling sphere; transparent centre.
Canvas makeBakgrunn();
// blue.png: 512 x 512 sphere map of a blue studio, laid out for GL sphere mapping.
Canvas makeBlueSphereMap();
// green.png: 512 x 512 plan view of a carapace's scutes, the plastron in strips
// along the sides (matches the shell's texture coordinates).
Canvas makeGreenScutes();
// The carapace paint of green.png at plan point (x, z) (see ScuteLayout):
// plates with growth rings and streaks, dark seams, the rim's underside
// beyond the outline. Unlit: the plates carry their own crown shading.
Rgba carapaceColour(float x, float z);
// The underside paint of green.png at plan point (x, z) (see plastronAt):
// cream plastron plates in pairs either side of a centre seam, bridge plates,
// skin by the flippers, the marginals' yellow undersides; mirrored in x.
Rgba plastronColour(float x, float z);
// greets.png: 512 x 512 RGBA greetings, legible over the shell in the lower-left corner.
Canvas makeGreets();
// turtle2.jpg: 800 x 600 photograph of a sea turtle swimming through sunlit water.
Canvas makeTurtlePhoto();
// vostrumlogo.png: 512 x 256 RGBA logo.
Canvas makeVostrumLogo();
// quenbar06.png: 512 x 64 RGBA glossy raster bar.
Canvas makeQuenBar();
// lol.png: 256 x 256 cheerful laughing doodle.
Canvas makeLolDoodle();
// grid.png: 512 x 512 measuring grid.
Canvas makeGrid();
// kuletex.png: 512 x 256 ball texture (longitude/latitude layout).
Canvas makeBallTexture();
