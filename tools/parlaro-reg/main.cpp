// parlaro-reg: reads and writes the Parlaro settings store from the shell.
#include "core/settings/Product.h"
#include "tools/parlaro-reg/RegCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    // Arguments are taken as bytes: a string value may hold anything the shell can pass.
    std::vector<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    parlaro::registry::RegistryStore store(
        parlaro::registry::StoreLocations::fromEnvironment(parlaro::kProductName));
    return regtool::run(args, store, std::cout, std::cerr);
}
