#include <iostream>

#include "cli/commands.hpp"

int main(int argc, char** argv) { return tessaly::cli::Run(argc, argv, std::cout, std::cerr); }
