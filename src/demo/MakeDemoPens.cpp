// penshelf-demo-pens FOLDER: fills FOLDER with three simulated pens holding a
// few book packages (pen-C with a damaged file system), for running PenShelf
// with PENSHELF_SIMULATE=FOLDER.

#include "demo/DemoPens.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    penshelf::demo::writeDemoPens(argv[1]);
    std::printf("Three demo pens in %s: pen-A, pen-B and pen-C (damaged).\n", argv[1]);
    return 0;
}
