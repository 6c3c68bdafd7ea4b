// A second process for the store tests: writes through TVelReg the way the
// copier does, so tests can run writers side by side or kill one mid-write.
#include "components/registry/TVelReg.h"
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string command = argv[1];
    TVelReg reg;
    reg.SetProgrammname("Velmora Copier");
    if (command == "appdir") {
        std::printf("%s\n", reg.AppDir().c_str());
    } else if (command == "push" && argc == 4) {
        reg.Push(argv[2], argv[3]);
    } else if (command == "pop" && argc == 3) {
        std::printf("%s\n", reg.Pop(argv[2]).c_str());
    } else if (command == "writes" && argc == 4) {
        // writes TAG N: the values TAG-0 .. TAG-(N-1), each holding its number.
        int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i)
            reg.Push(std::string(argv[2]) + "-" + std::to_string(i), std::to_string(i));
    } else if (command == "loop") {
        // Counts on from the stored counter until killed; "Big" follows the
        // counter so a torn write would show as a mixed value.
        AnsiString stored = reg.Pop("Counter");
        long n = stored.empty() ? 0 : std::atol(stored.c_str());
        for (bool first = true;; first = false) {
            ++n;
            reg.Push("Counter", std::to_string(n));
            reg.Push("Big", std::string(8192, static_cast<char>('0' + n % 10)) + ":" + std::to_string(n));
            if (first) {
                std::printf("ready\n");
                std::fflush(stdout);
            }
        }
    } else {
        return 2;
    }
    return 0;
}
