// Patchwise: a mirrored, stretched preview of a sprite with the seamless tile
// made from it laid over; waits for a key. Run from the folder that holds
// "Demo\Assets".
#include "demo.h"
#include "gfx/gfx.h"

int main() {
    ROUTINE("Patchwise", "");
    DEMO_STARTUP();
    IMAGE* DEST = DEMO_SPRITE("PNDX2424");
    IMAGE* DEST2 = image_create(320, 320, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(DEST, DEST2, "height");
    IMAGE* unmirrored = DEST2;
    GFX_BUFFER_FLIP(DEST2, DEST2, 1, 1);
    image_destroy(unmirrored);  // the flip hands back a new buffer
    check(image_put(nullptr, 0, 0, DEST2, PUT_XOR));
    DEMO_DIAGONALS(DEST2);
    image_destroy(DEST2);
    IMAGE* SOURCE = DEMO_SPRITE("PNDX2424");
    DEST2 = image_create(320, 320, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(SOURCE, DEST2, "height");
    image_destroy(SOURCE);
    GFX_QUILTIFY(DEST2, DEST);
    check(image_put(nullptr, 64, 128, DEST, PUT_ALPHA));
    image_destroy(DEST);
    DEMO_FINISH(__LINE__);
}
