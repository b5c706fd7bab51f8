#pragma once
// libjpeg ends the process on a fatal error unless its error_exit jumps away:
// the generator's JPEG reader and writer both install this trap and setjmp on
// it, so a bad file or a full disk becomes a false result.
#include <csetjmp>
#include <cstdio>
// libjpeg's headers need FILE and size_t declared first.
#include <jpeglib.h>

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// error_exit for a JpegErrorTrap's manager: jumps back to trap.jump with 1.
void onJpegError(j_common_ptr info);
