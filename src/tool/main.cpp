// capcode-tool: the window's start-up, menus and controls without a window,
// for scripts that make, show and compare image files.
#include "tool/command_line.h"

#include <exception>
#include <iostream>

#ifndef CCP_CUSTOMER_PROFILE
#define CCP_CUSTOMER_PROFILE 1
#endif

int main(int argc, char** argv) {
    try {
        return ccp::tool::runCommandLine(argc, argv, CCP_CUSTOMER_PROFILE, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "capcode-tool: " << error.what() << '\n';
    }
    return 3;
}
