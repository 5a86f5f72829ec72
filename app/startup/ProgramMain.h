// The program's entry: single instance, key paths, the settings keys, then the main window.
#pragma once

namespace parlaro {

int Main(int argc, char** argv);

}  // namespace parlaro
