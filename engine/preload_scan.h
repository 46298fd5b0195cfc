#pragma once

#include <string>
#include <vector>

// The names that script code assigns in quotes to a .src property
// (img.src = "on.gif"), in the order of the assignments: images it loads
// that appear in no attribute. The text ends at its first zero byte. A text
// too complex for the pattern library gives the names found until then.
std::vector<std::string> AssignedImageNames(const std::string& text);
