// The program: wires the core to the Qt face. Filled in with the main frame.
#include <cstdio>
int main() {
    std::puts("Tavlo: the main frame is not built yet.");
    return 0;
}
