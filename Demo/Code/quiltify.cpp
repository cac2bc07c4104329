// Quiltify: shows the seamless tile made from one sprite, waits for a key.
// Run from the folder that holds "Demo\Assets".
#include "demo.h"
#include "gfx/gfx.h"

int main() {
    ROUTINE("Quiltify", "");
    DEMO_STARTUP();
    IMAGE* SOURCE = DEMO_SPRITE("FTRS5756");
    IMAGE* DEST = nullptr;
    GFX_QUILTIFY(SOURCE, DEST);
    check(image_put(nullptr, 0, 0, DEST, PUT_XOR));
    DEMO_DIAGONALS(DEST);
    image_destroy(DEST);
    DEMO_FINISH(__LINE__);
}
