// Builds the language store the till ships with from its readable source:
//   tavlo_lang build translate/af.txt POSlan.tps
// and writes a store's texts back as source (for translators to fill in):
//   tavlo_lang dump POSlan.tps
#include <cstdio>
#include <iostream>
#include <string>

#include "translate/store_source.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc == 4) {
        std::string error;
        auto source = tavlo::readStoreSource(argv[2], &error);
        if (!source) {
            std::cerr << "tavlo_lang: " << error << "\n";
            return 1;
        }
        for (const std::string& p : source->problems) std::cerr << argv[2] << ": " << p << "\n";
        if (!source->problems.empty()) return 1;
        if (!tavlo::buildStore(*source, argv[3], &error)) {
            std::cerr << "tavlo_lang: " << error << "\n";
            return 1;
        }
        return 0;
    }
    if (command == "dump" && argc == 3) {
        tavlo::LanguageStore store;
        if (!store.open(argv[2], false)) {
            std::cerr << "tavlo_lang: " << store.error() << "\n";
            return 1;
        }
        std::cout << tavlo::writeStoreSource(tavlo::readStore(store));
        return 0;
    }
    std::cerr << "usage: tavlo_lang build SOURCE STORE | tavlo_lang dump STORE\n";
    return 2;
}
