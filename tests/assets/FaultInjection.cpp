#include "tests/assets/FaultInjection.h"

#include <GL/gl.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

namespace {

std::atomic<size_t> refusedFrom{0};  // 0: refuse nothing
std::atomic<bool> glStuck{false};
std::atomic<long> stuckCalls{0};
constexpr long kStuckCallsBeforeGivingIn = 1000000;

void* allocate(size_t size) {
    const size_t limit = refusedFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit) {
        return nullptr;
    }
    return std::malloc(size != 0 ? size : 1);
}

void* allocateOrThrow(size_t size) {
    void* block = allocate(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

// The runner's own allocation functions: plain malloc and free, with the refusal.
void* operator new(size_t size) { return allocateOrThrow(size); }
void* operator new[](size_t size) { return allocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// Stands in front of the driver's glGetError for every caller in this runner.
extern "C" GLenum GLAPIENTRY glGetError(void) {
    static const auto driver = reinterpret_cast<GLenum (*)(void)>(dlsym(RTLD_NEXT, "glGetError"));
    if (glStuck.load() && stuckCalls.fetch_add(1) < kStuckCallsBeforeGivingIn) {
        return GL_OUT_OF_MEMORY;
    }
    return driver != nullptr ? driver() : GL_NO_ERROR;
}

RefuseAllocations::RefuseAllocations(size_t minBytes) { refusedFrom = minBytes; }
RefuseAllocations::~RefuseAllocations() { refusedFrom = 0; }

StuckGlError::StuckGlError() {
    stuckCalls = 0;
    glStuck = true;
}
StuckGlError::~StuckGlError() { glStuck = false; }
long StuckGlError::calls() { return stuckCalls.load(); }

int openFileCount() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}
