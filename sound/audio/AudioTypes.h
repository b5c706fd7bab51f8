// What the audio library's interface and its inner parts share: the opaque handle
// types, the channel and load selectors, the error codes and the spectrum's size.
// The decoders and the mixer need these and nothing else of the public interface
// (sound/AudioLibrary.h), which includes this header. Plain declarations; any thread.
#pragma once

// Opaque handles. Only the library makes them; a caller never looks inside.
typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;
typedef struct FMUSIC_MODULE FMUSIC_MODULE;
typedef struct FSOUND_DSPUNIT FSOUND_DSPUNIT;

// Sample slot and channel selectors, and the one load mode flag we honour.
#define FSOUND_FREE (-1)
#define FSOUND_UNMANAGED (-2)
#define FSOUND_STEREO 0x40

// Error codes kept by the library for FSOUND_GetError.
enum {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY = 1,
    FMOD_ERR_UNINITIALIZED = 2,
    FMOD_ERR_INIT = 3,
    FMOD_ERR_ALLOCATED = 4,
    FMOD_ERR_PLAY = 5,
    FMOD_ERR_OUTPUT_FORMAT = 6,
    FMOD_ERR_COOPERATIVELEVEL = 7,
    FMOD_ERR_CREATEBUFFER = 8,
    FMOD_ERR_FILE_NOTFOUND = 9,
    FMOD_ERR_FILE_FORMAT = 10,
    FMOD_ERR_FILE_BAD = 11,
    FMOD_ERR_MEMORY = 12,
    FMOD_ERR_VERSION = 13,
    FMOD_ERR_INVALID_PARAM = 14,
    FMOD_ERR_NO_EAX = 15,
    FMOD_ERR_CHANNEL_ALLOC = 16,
    FMOD_ERR_RECORD = 17,
    FMOD_ERR_MEDIAPLAYER = 18
};

#ifdef __cplusplus
// The spectrum is computed from this many mono frames ending at the heard one...
constexpr int kFftSize = 1024;
// ...and has this many magnitudes, bin k at k x mixRate / kFftSize Hz.
constexpr int kSpectrumBinCount = kFftSize / 2;
static_assert(kSpectrumBinCount == 512, "the scenes and the library's callers expect 512 entries");
#endif
