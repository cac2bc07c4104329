// Pictures from memory.
#include "image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    image_destroy(LoadRGBAMemory(data, size));
    return 0;
}
