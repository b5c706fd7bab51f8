#include "tools/assetgen/JpegErrorTrap.h"

void onJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->jump, 1);
}
