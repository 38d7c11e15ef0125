// penshelf-demo-pens FOLDER [BOOKS]: fills FOLDER with three simulated pens
// holding a few book packages (pen-C with a damaged file system), for running
// PenShelf with PENSHELF_SIMULATE=FOLDER, and BOOKS, outside FOLDER, where
// every subfolder is a pen, with book packages to install.

#include "demo/DemoPens.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER [BOOKS]\n", argv[0]);
        return 1;
    }
    penshelf::demo::writeDemoPens(argv[1]);
    std::printf("Three demo pens in %s: pen-A, pen-B and pen-C (damaged).\n", argv[1]);
    if (argc == 3) {
        std::printf("Book packages to install, in %s:\n", argv[2]);
        for (const std::string& path : penshelf::demo::writeSampleBooks(argv[2])) {
            std::printf("  %s\n", path.c_str());
        }
    }
    return 0;
}
