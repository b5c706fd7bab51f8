// Prints the native offline spectrum (TrackAnalysis, as morvel-capture uses it)
// of a sound file at each time given, as one JSON object, for the browser test
// that compares the page's spectrum with it.
//   morvel_web_spectrum_reference FILE SECONDS...
#include "sound/TrackAnalysis.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: morvel_web_spectrum_reference FILE SECONDS...\n");
        return 2;
    }
    TrackAnalysis analysis;
    if (!analysis.load(argv[1])) {
        std::fprintf(stderr, "cannot analyse %s (error %d)\n", argv[1], analysis.errorCode());
        return 1;
    }
    float spectrum[kSpectrumBinCount];
    std::printf("{\"spectra\": [");
    for (int i = 2; i < argc; ++i) {
        analysis.spectrumAt(std::atof(argv[i]), spectrum);
        std::printf("%s\n  {\"at\": %s, \"bins\": [", i > 2 ? "," : "", argv[i]);
        for (int k = 0; k < kSpectrumBinCount; ++k) {
            std::printf("%s%.9g", k > 0 ? ", " : "", spectrum[k]);
        }
        std::printf("]}");
    }
    std::printf("]}\n");
    return 0;
}
