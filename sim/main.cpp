// printune-sim: the simulated printer (endpoints come in next).
#include <cstdio>

int main() {
    std::puts("printune-sim: no endpoints yet");
    return 0;
}
