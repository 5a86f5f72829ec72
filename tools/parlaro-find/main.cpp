// parlaro-find: lists the calls that match a search, from the shell.
#include "core/settings/Product.h"
#include "tools/parlaro-find/FindCommand.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const QCoreApplication app(argc, argv);
    std::vector<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    parlaro::registry::RegistryStore store(
        parlaro::registry::StoreLocations::fromEnvironment(parlaro::kProductName));
    return findtool::run(
        args, store,
        parlaro::StartupEnvironment::fromSystem(QCoreApplication::applicationDirPath()), std::cout,
        std::cerr);
}
