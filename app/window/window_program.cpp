// tessaly-window: the window as a program of its own, started by `tessaly`
// when there is a display. Keeping Qt out of `tessaly` itself spares every
// command-line run the loading of the Qt libraries.

#include "app/window/window_main.h"
#include "common/heap_settings.h"

int main(int argc, char** argv) {
    tessaly::keepLargeBlocksOutOfTheHeap();
    return tessaly::runWindow(argc, argv, argc > 1 ? argv[1] : "");
}
