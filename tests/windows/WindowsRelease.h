#pragma once
// The Windows release under Wine, for the tests that scripts/windows --verify
// runs: where the .zip was unpacked, and how to start its programs in the Wine
// prefix and on the X display that the script made for them. Outside that
// script every test here is skipped.
#include <functional>
#include <string>
#include <vector>

struct WindowsRelease {
    std::string folder;   // the unpacked release: morvel.exe, data/
    std::string capture;  // morvel-capture.exe of the same build
    std::string scratch;  // a folder for the tests' own files
};

// The release under test, or null when the script did not set one up.
const WindowsRelease* windowsRelease();

// A shell command line that starts a Windows program under Wine, with
// arguments already quoted for sh, killed after 3 minutes. Its output goes
// where the caller sends it.
std::string wineCommand(const std::string& program, const std::string& arguments = "");

// A folder of the tests' own, scratch/name, made anew, holding the release's
// morvel.exe, and a copy of its data/ when withData.
std::string releaseCopy(const std::string& name, bool withData);

// The Windows name of a Linux path (Wine's Z: drive is the root folder).
std::string windowsPath(const std::string& path);

// text in single quotes for sh.
std::string shellQuoted(const std::string& text);

std::string readFile(const std::string& path);

// The lines of text, with Windows' CR before each LF taken away.
std::vector<std::string> linesOf(const std::string& text);

// The shown X windows whose title matches the regular expression (a window
// Wine has unmapped is gone for a viewer, whenever X destroys it).
std::vector<std::string> windowsNamed(const std::string& pattern);

// Seconds on a monotonic clock.
double nowSeconds();

// Asks condition every 10 ms for up to timeoutSeconds; true once it holds.
bool waitFor(double timeoutSeconds, const std::function<bool()>& condition);
