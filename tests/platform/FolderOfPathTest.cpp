// The folder the Windows build makes its working directory, from the path
// Windows gives for the running program.
#include "platform/win/WindowsStart.h"

#include <gtest/gtest.h>

TEST(FolderOfPath, isEverythingBeforeTheLastBackslashOrSlash) {
    EXPECT_EQ(folderOfPath(L"C:\\Demos\\\u00dcberraschung demo\\morvel.exe"), L"C:\\Demos\\\u00dcberraschung demo");
    EXPECT_EQ(folderOfPath(L"C:/Demos/morvel/morvel.exe"), L"C:/Demos/morvel");
    EXPECT_EQ(folderOfPath(L"\\\\server\\share\\morvel\\morvel.exe"), L"\\\\server\\share\\morvel");
}

TEST(FolderOfPath, keepsTheSlashOfADrivesTopFolder) {
    // "C:" alone would be the drive's current folder, wherever that is.
    EXPECT_EQ(folderOfPath(L"C:\\morvel.exe"), L"C:\\");
    EXPECT_EQ(folderOfPath(L"\\\\?\\C:\\morvel.exe"), L"\\\\?\\C:\\");
}

TEST(FolderOfPath, isThePathItselfWithoutAnySlash) {
    EXPECT_EQ(folderOfPath(L"morvel.exe"), L"morvel.exe");
}
