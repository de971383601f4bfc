// Prints the user unit that runs the client at the given path, the same text
// "zumaset /i" writes; the install rules use it for the packaged unit.
#include "platform/systemd_unit.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: zumaset-unit-text /path/to/zumaset\n";
        return 2;
    }
    std::cout << zumaset::UnitText(argv[1], true);
    return std::cout.flush() ? 0 : 1;
}
