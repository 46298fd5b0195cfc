#pragma once

#include <string>
#include <vector>

class ConsoleServices;

// Runs one command line, speaking through `console`, and gives the process's
// exit status: 0 converted, 1 the conversion failed, 2 unusable arguments or
// paths.
int RunCommandLine(const std::vector<std::string>& arguments, ConsoleServices& console);
