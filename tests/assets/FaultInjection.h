#pragma once
// Faults the asset tests bring about on purpose, in this runner only: a machine
// short of memory (operator new refuses large blocks) and a GL that keeps
// reporting an error. Both are off unless a guard below lives.
#include <cstddef>

// While it lives, every operator new (throwing, nothrow and array forms) of at
// least minBytes fails as it does when memory runs out.
struct RefuseAllocations {
    explicit RefuseAllocations(size_t minBytes);
    ~RefuseAllocations();
};

// While it lives, glGetError reports GL_OUT_OF_MEMORY on every call, up to a
// large number of calls after which it gives in (so that a loop waiting for it
// to run dry ends and can be caught); calls() counts them.
struct StuckGlError {
    StuckGlError();
    ~StuckGlError();
    static long calls();
};

// Open file descriptors of this process, to check that a failed load closed its file.
int openFileCount();
