#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs one command line and gives the process's exit status: 0 converted,
// 1 the conversion failed, 2 unusable arguments or paths.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
