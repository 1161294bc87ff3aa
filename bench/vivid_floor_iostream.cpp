// The start-up of a C++ program that writes one line through std::cout, linked as
// capspect-cli is: the least a program built on iostreams costs the guest at start.
// Built by bench/vivid_report_bench.sh with the host's C++ compiler.
#include <iostream>

int main() {
    std::cout << "The operation completed successfully.\n";
    return 0;
}
