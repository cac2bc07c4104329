// The PNG decoder and encoder for the web build. Natively they come from
// Debian's compiled stb library; for WebAssembly there is no such library,
// so their code is compiled here from Debian's own stb headers.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#include <stb_image_write.h>
