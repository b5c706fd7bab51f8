// The opaque handles the audio library gives out for what it owns. A handle is a
// number never given out before in this process (one count for every table, so a
// sample's handle is never a module's either), not an address: memory freed and
// reused by a later load cannot bring a freed handle back to life. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// The next number to give out as a handle; never 0, never the same twice.
std::uintptr_t takeHandleNumber();

template <typename Handle, typename Object>
class HandleTable {
public:
    // Takes object over and returns its new handle.
    Handle* add(std::unique_ptr<Object> object) {
        Entry entry{takeHandleNumber(), std::move(object)};
        entries.push_back(std::move(entry));
        return reinterpret_cast<Handle*>(entries.back().number);
    }
    // The object of a live handle; null for null, freed or made-up handles.
    Object* find(const Handle* handle) const {
        for (const Entry& entry : entries) {
            if (reinterpret_cast<std::uintptr_t>(handle) == entry.number) {
                return entry.object.get();
            }
        }
        return nullptr;
    }
    // Hands back the object of a live handle, which is unknown from then on.
    std::unique_ptr<Object> take(const Handle* handle) {
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (reinterpret_cast<std::uintptr_t>(handle) == entry->number) {
                std::unique_ptr<Object> object = std::move(entry->object);
                entries.erase(entry);
                return object;
            }
        }
        return nullptr;
    }
    // Every live object, oldest first.
    template <typename Visit>
    void forEach(Visit visit) const {
        for (const Entry& entry : entries) {
            visit(*entry.object);
        }
    }
    // Frees every object; their handles are unknown from then on.
    void clear() { entries.clear(); }

private:
    struct Entry {
        std::uintptr_t number;
        std::unique_ptr<Object> object;
    };
    std::vector<Entry> entries;
};
