#include "torvelctl.h"

#include <iostream>

int main(int argc, char **argv) {
    CatchInterrupts();
    return RunTorvelctl(argc, argv, std::cout, std::cerr);
}
