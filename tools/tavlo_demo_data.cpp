// Fills an empty folder with demo master data: `tavlo_demo_data <folder>`.
#include <iostream>

#include "data/demo_data.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tavlo_demo_data <folder>\n";
        return 2;
    }
    std::string error;
    if (!tavlo::fillDemoData(argv[1], &error)) {
        std::cerr << "tavlo_demo_data: " << error << "\n";
        return 1;
    }
    std::cout << "Demo data written to " << argv[1] << " (supervisor password \"" << tavlo::DemoPasswords::supervisor
              << "\", operators 001/" << tavlo::DemoPasswords::operator1 << " and 002/"
              << tavlo::DemoPasswords::operator2 << ")\n";
    return 0;
}
