// The browser build's message boxes (platform/MessageBox.h): a box becomes a
// visible message on the page (the page's showMessage) and a console line;
// nothing blocks, since a page cannot wait for a dismissal inside a frame.
#include "platform/MessageBox.h"

#include <emscripten.h>

#include <utility>

namespace {

MessageSink& currentSink() {
    static MessageSink sink;
    return sink;
}

}  // namespace

EM_JS(void, showPageMessage, (const char* caption, const char* text), {
    const c = UTF8ToString(caption), t = UTF8ToString(text);
    if (Module.showMessage) {
        Module.showMessage(c + ": " + t);
    }
    console.warn(c + ": " + t);
});

void showMessageBox(const char* caption, const char* text) {
    if (currentSink()) {
        currentSink()(caption, text);
        return;
    }
    showPageMessage(caption, text);
}

MessageSink setMessageSink(MessageSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}
