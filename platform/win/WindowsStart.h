#pragma once
// What a Windows start needs before the demo runs, where Linux has the
// launcher script and a terminal: the demo is a GUI program (no console window
// when double-clicked), reads data/ relative to the working directory, and may
// be started from anywhere, by any path. Main thread, before anything else.
#include <string>

// Sends standard output and error to the console of the program that started
// this one (cmd, PowerShell), each unless the caller already gave it a file or
// a pipe. Nothing changes when there is no such console (a double click).
// True when the console was attached.
bool attachParentConsole();

// Makes the folder of the running executable the working directory, through
// the wide-character calls, so that a folder name in any script works whatever
// the system's code page. False, with the folder unchanged, when it cannot.
bool enterExecutableFolder();

// The folder part of a path: everything before its last backslash or slash
// (with that slash when the folder is a drive's top, "C:\\"); the path itself
// when it holds neither. Pure.
std::wstring folderOfPath(const std::wstring& path);
