#pragma once

#include <string>
#include <vector>

namespace trivane {

// What start-up found: a line for every default file it could not find, each
// naming the places it looked, and what reading the default model said.
struct StartReport {
    bool started = false;  // the texture was read and the start values set
    std::vector<std::string> missing;
    std::vector<std::string> notes;
};

}  // namespace trivane
