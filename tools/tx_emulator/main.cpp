// Stand-alone transmitter for trying the program by hand:
//   morvi-tx-emulator [firmware-major firmware-minor]
// prints the device to choose, answers until stdin closes, then prints the memory.
#include "tx_emulator.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    try {
        morvi::tools::TxEmulator::Memory memory{};
        if (argc == 3) {
            memory[126] = static_cast<std::uint8_t>(std::stoi(argv[1]));
            memory[127] = static_cast<std::uint8_t>(std::stoi(argv[2]));
        }
        morvi::tools::TxEmulator emulator(memory);
        std::cout << emulator.slavePath() << std::endl;
        for (std::string line; std::getline(std::cin, line);) {
        }
        const auto stored = emulator.memory();
        for (std::size_t i = 0; i < stored.size(); ++i)
            std::cout << i << ": " << int{stored[i]} << '\n';
        std::cout << emulator.requests().size() << " requests, " << emulator.framingErrors() << " framing errors\n";
    } catch (const std::exception &e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
