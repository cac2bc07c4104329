// Brindle: a page-based illustrated story. Run from the folder that holds
// "Brindle\Assets".
#include "story.h"

int main() { BRINDLE_MAIN(); }
