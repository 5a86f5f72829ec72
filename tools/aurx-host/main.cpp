// aurx-host: a command-line container for the recorder control. Commands come from the files
// named on the command line, else from standard input.
#include <fstream>
#include <iostream>

#include "tools/aurx-host/HostSession.h"
#ifdef AURX_HOST_WITH_QT
#include <QString>

#include "recorder/qt/MeterRender.h"
#endif

int main(int argc, char** argv) {
    host::HostSession::MeterRenderer renderer;
#ifdef AURX_HOST_WITH_QT
    renderer = [](const aurx::AURX300Ctrl& control, int width, int height,
                  const std::string& path) {
        return aurxqt::renderMeterPng(control, width, height, QString::fromStdString(path));
    };
#endif
    host::HostSession session(std::cout, renderer);
    if (argc < 2) return session.run(std::cin, "<stdin>", std::cerr);
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i]);
        if (!in) {
            std::cerr << argv[i] << ": cannot read" << std::endl;
            return 2;
        }
        if (const int status = session.run(in, argv[i], std::cerr); status != 0) return status;
    }
    return 0;
}
