#include "app/ctl/ctl_app.h"

#include <iostream>

int main(int argc, char** argv) { return zumaset::RunZumasetCtl(argc, argv, std::cin, std::cout, std::cerr); }
