#pragma once
// Modal message boxes for failures that reach a person: window set-up and
// asset loading. Shown with SDL; where no box can be shown (no display) the
// text goes to standard error as "caption: text". Tests install a sink.
#include <functional>

using MessageSink = std::function<void(const char* caption, const char* text)>;

// Shows one OK-only box with no owner window and returns once it is dismissed.
void showMessageBox(const char* caption, const char* text);

// Routes every later box to sink instead of the screen; an empty sink restores
// the default. Returns the previous sink.
MessageSink setMessageSink(MessageSink sink);
