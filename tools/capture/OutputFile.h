#pragma once
// What a capture writes is made under a unique temporary name in the target's
// own folder and renamed onto the target only when whole: a stopped or failed
// capture, or two captures to one path, never leave a damaged file under the
// final name, and what sat there stays untouched until the new file is done.
// Plain file-system calls, safe from any thread once newFileMode() was called.
#include <string>

// Refuses a target that exists and is a symbolic link or not a regular file
// (a folder, a device node, a pipe): renaming onto it would replace the link
// or node itself. False with error set to a one-line message.
bool checkTarget(const std::string& path, std::string& error);

// Creates an empty file beside path with a unique name ending in suffix and
// the mode a new file gets (0666 less the umask); its name, or "" when the
// folder cannot be written.
std::string createTempFileBeside(const std::string& path, const std::string& suffix);

// Creates a unique empty folder beside path, for a job's several temporary
// files; its name, or "".
std::string createTempFolderBeside(const std::string& path);

// Renames temp onto path, or removes temp when that fails; true when renamed.
bool publish(const std::string& temp, const std::string& path);

// Removes a file or a folder with what is in it; quiet when it is gone already.
void removeTemp(const std::string& path);

// 0666 less the process's umask, read once; call it before writer threads start.
unsigned int newFileMode();
