// printune-cli: the command-line front end (commands come in next).
#include <cstdio>

int main() {
    std::puts("printune-cli: no commands yet");
    return 0;
}
