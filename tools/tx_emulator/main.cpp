// Stand-alone transmitter for trying the program by hand:
//   morvi-tx-emulator [--lenient] [--baud N] [--delay MS] [firmware-major firmware-minor]
// prints the device to choose, answers until stdin closes, then prints the
// memory. --lenient takes any three zeros as a request's lead-in; --baud
// paces both directions like a line at N baud (9600 for the transmitter's own
// speed); --delay holds every answer back by MS milliseconds.
#include "tx_emulator.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    try {
        using morvi::tools::TxEmulator;
        TxEmulator::Memory memory{};
        TxEmulator::Framing framing = TxEmulator::Framing::strict;
        int baud = 0;
        int delay = 0;
        std::vector<std::string> positional;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--lenient")
                framing = TxEmulator::Framing::lenient;
            else if (arg == "--baud" && i + 1 < argc)
                baud = std::stoi(argv[++i]);
            else if (arg == "--delay" && i + 1 < argc)
                delay = std::stoi(argv[++i]);
            else
                positional.push_back(arg);
        }
        if (positional.size() == 2) {
            memory[126] = static_cast<std::uint8_t>(std::stoi(positional[0]));
            memory[127] = static_cast<std::uint8_t>(std::stoi(positional[1]));
        }
        TxEmulator emulator(memory, framing);
        emulator.setBaudRate(baud);
        emulator.setAnswerDelay(delay);
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
