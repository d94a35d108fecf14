#include <iostream>
#include <string>
#include <vector>

#include "app/session/batch.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return tamsel::runBatch(args, std::cout, std::cerr, argv[0]);
}
