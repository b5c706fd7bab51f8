// Tracker modules (S3M, XM, MOD and what else libopenmpt reads) opened from memory,
// with the library's error codes for files it cannot take. Any thread; a module
// itself is used by one thread at a time.
#pragma once

#include <cstddef>

typedef struct openmpt_module openmpt_module;

// Opens a module from bytes; null with error set to an FMOD_ERR_* code on failure.
openmpt_module* openModule(const unsigned char* data, size_t size, int& error);
