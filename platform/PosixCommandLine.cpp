#include "platform/CommandLine.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

void UseUtf8Console() {}

std::vector<std::string> ExpandFileArgument(const std::string& argument) {
    return {argument};
}
