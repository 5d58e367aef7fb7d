#pragma once
// Reads a WAV file with Python's `wave` module, an independent reader: "<channels> <bytes per
// sample> <rate> <frames>", or Python's complaint when the file is not a valid WAV. The file's
// size must also be what its header promises, else "size <actual> != <promised>".

#include <cstdio>
#include <string>

namespace dedevev::test {

inline std::string WavSummary(const std::string& path) {
    const std::string command =
        "python3 -c 'import os, sys, wave\n"
        "try:\n"
        "    w = wave.open(sys.argv[1], \"rb\")\n"
        "except Exception as e:\n"
        "    print(\"invalid:\", e); sys.exit()\n"
        "size, promised = os.path.getsize(sys.argv[1]), 44 + w.getnframes() * w.getsampwidth()\n"
        "if size != promised:\n"
        "    print(\"size\", size, \"!=\", promised); sys.exit()\n"
        "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes())' '" +
        path + "' 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// The summary of a valid 8 kHz 16-bit mono file of `frames` samples.
inline std::string VoiceWav(std::size_t frames) {
    return "1 2 8000 " + std::to_string(frames);
}

}  // namespace dedevev::test
