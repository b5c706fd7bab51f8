// Our own small C-style audio library: SDL2 output, whole-file MP3/OGG samples,
// looping tracker modules, an FFT spectrum of what is being heard. Every call is
// made from one (main) thread; the mixer runs on SDL's audio thread. Sources in
// sound/audio/. Handles are opaque and never given out twice in a process: null,
// freed or otherwise unknown handles do nothing (and fail with an invalid parameter).
#pragma once

#include "sound/audio/AudioTypes.h"

// Opens the output at mixRateHz, stereo, with maxChannels sample channels; falls back to
// SDL's dummy driver when no device opens. True when ready to play. flags is ignored.
// The library owns everything it opens until FSOUND_Close.
signed char FSOUND_Init(int mixRateHz, int maxChannels, unsigned int flags);
// Decodes a whole MP3 or OGG file (from offsetBytes, lengthBytes or 0 for all) into one
// sample at the mix rate. Null on failure. index picks no slot (every sample gets one of
// its own, as with FSOUND_FREE; below FSOUND_UNMANAGED it is invalid) and mode is ignored:
// mono files play on both sides, stereo ones as they are. The library owns the sample
// (FSOUND_Sample_Free or FSOUND_Close frees it) and does not keep path after the call.
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* path, unsigned int mode, int offsetBytes,
                                  int lengthBytes);
// Loads an S3M, XM or MOD module. Null on failure.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* path);
// Code of the last failure (FMOD_ERR_*); failing calls set it, successful ones leave it.
int FSOUND_GetError(void);
// Plays the sample once from its start on channel (FSOUND_FREE: any free one); returns the
// channel, or -1 on failure.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
// The FFT unit; never null.
FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit(void);
// Switches a unit on or off; true on success.
signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active);
// 512 magnitudes of what is being heard now (all zeros while the FFT unit is off or the
// library is closed). Never null; the array stays valid for the whole process.
float* FSOUND_DSP_GetSpectrum(void);
// Plays a module from its start, looping for ever; true on success.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* song);
// Pauses (paused != 0) or resumes the sample on channel, picture-exact: it stops at
// the frame the clock says is heard now and resumes from that frame, heard from the
// resuming call on (what the output already holds is still heard). The spectrum
// stays that of the paused frame. True on success; an idle channel fails.
signed char FSOUND_SetPaused(int channel, signed char paused);
// 1 while the channel's sample is paused, else 0.
signed char FSOUND_GetPaused(int channel);
// Moves the sample on channel to sample frame offset (at the mix rate), heard from
// the moment the call returns (it may first wait for the sample's resampling to
// reach offset); a paused channel will resume there. The spectrum is that of the new
// position from the next FSOUND_DSP_GetSpectrum on. True on success.
signed char FSOUND_SetCurrentPosition(int channel, unsigned int offset);
// The sample frame the clock says the channel is heard at now (the paused frame
// while paused); 0 for an idle channel.
unsigned int FSOUND_GetCurrentPosition(int channel);
// Pauses or resumes a module where its mix stands; true on success.
signed char FMUSIC_SetPaused(FMUSIC_MODULE* song, signed char paused);
// Moves a module to seconds into its pattern order (mixed from now, heard after the
// output's latency); true on success.
signed char FMUSIC_SetPositionSeconds(FMUSIC_MODULE* song, double seconds);
// Stops and releases a module; true on success.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* song);
// Stops every channel playing the sample and releases it.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);
// Stops output and releases every sample and module still loaded.
void FSOUND_Close(void);

// --- Inspection, for tests and tools. None of these count as library calls. ---

// How many FSOUND_/FMUSIC_ calls above have been made in this process.
long long AUDIO_GetCallCount(void);
// The mix rate while open, else 0.
int AUDIO_GetMixRate(void);
// The SDL audio driver in use ("dummy" without a sound device), or "" when closed.
const char* AUDIO_GetDriverName(void);
// Frames the device buffer holds ahead of the ear; 0 when closed.
int AUDIO_GetDeviceBufferFrames(void);
// Frames mixed since FSOUND_Init.
long long AUDIO_GetMixedFrames(void);
// Frame being heard now: from when the device last asked for a block and the output's
// latency (may be negative at the start); never past the mixed frames.
long long AUDIO_GetHeardFrame(void);
// Frame just after the 1024-frame window of the last FSOUND_DSP_GetSpectrum, or -1.
long long AUDIO_GetSpectrumEndFrame(void);
// 1 while the channel plays a sample, else 0.
int AUDIO_IsChannelPlaying(int channel);
// Mixer frame at which the channel's current sample started, or -1.
long long AUDIO_GetChannelStartFrame(int channel);
// Sample frame the channel plays at a mixer frame of its last few blocks (fractional
// where playback keeps pace with the clock rather than the output), or -1.
double AUDIO_GetChannelSampleFrame(int channel, long long mixerFrame);
// The channel's frame as FSOUND_GetCurrentPosition gives it, with the process-clock
// instant it is heard at in *atNs; -1 for an idle channel or a closed library.
long long AUDIO_GetChannelClockFrame(int channel, long long* atNs);
// Sample length in frames at the mix rate; 0 for a null or unknown handle.
long long AUDIO_Sample_GetLength(FSOUND_SAMPLE* sample);
// The file's own sample rate and channel count; 0 for a null or unknown handle.
int AUDIO_Sample_GetSourceRate(FSOUND_SAMPLE* sample);
int AUDIO_Sample_GetSourceChannels(FSOUND_SAMPLE* sample);
// Interleaved stereo frames of the sample at the mix rate; null for a null or unknown handle.
const float* AUDIO_Sample_GetData(FSOUND_SAMPLE* sample);
// 1 while the module plays, else 0.
int AUDIO_Song_IsPlaying(FMUSIC_MODULE* song);
// Length of one pass through the module in seconds.
double AUDIO_Song_GetLengthSeconds(FMUSIC_MODULE* song);
// Peak absolute value of the mixed output since FSOUND_Init, or since the last call.
float AUDIO_TakePeakLevel(void);
