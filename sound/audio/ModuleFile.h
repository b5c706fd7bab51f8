// Tracker modules (S3M, XM, MOD and what else libopenmpt reads) opened from memory,
// with the library's error codes for files it cannot take. Any thread; a module
// itself is used by one thread at a time.
#pragma once

#include <cstddef>

struct PcmData;

typedef struct openmpt_module openmpt_module;

// Opens a module from bytes; null with error set to an FMOD_ERR_* code on failure.
openmpt_module* openModule(const unsigned char* data, size_t size, int& error);

// Renders a module once from start to end (no loop, no fade) at rateHz; 0 or an error code.
int renderModuleOnce(const unsigned char* data, size_t size, int rateHz, PcmData& out);
