#include <iostream>
#include <string>
#include <vector>

#include "app/session/batch.h"
#ifdef TAMSEL_QT_PRINTING
#include "platform/qt/print/qt_printer.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef TAMSEL_QT_PRINTING
    // Qt starts only when a print command runs.
    tamsel::QtPrinterService printers;
    return tamsel::runBatch(args, std::cout, std::cerr, argv[0], &printers);
#else
    return tamsel::runBatch(args, std::cout, std::cerr, argv[0]);
#endif
}
