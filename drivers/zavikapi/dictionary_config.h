// The configuration of the dictionary library: which dictionaries the engine serves. It is a text
// file "ZavikApi.ini" beside the library (the format is described in README.md in this folder):
//
//     # comment
//     dict  0x00030201  Pocket English Dictionary
//     class 7
//
// A dictionary id is class * 65536 + high * 256 + low, written in decimal or with 0x in hexadecimal.
// "dict" serves one id (with an optional name), "class" every id of a class (0-255).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::dict {

struct ServedDictionary {
    uint32_t id = 0;
    std::string name; // may be empty
};

struct Config {
    std::vector<ServedDictionary> dictionaries; // in file order
    std::vector<uint32_t> classes;              // classes served whole
    std::vector<std::string> problems;          // one line per line that was not understood

    // The dictionary served under `id`: its entry (the first for that id), or a nameless entry when
    // its class is served whole; nothing when the engine does not serve it.
    std::optional<ServedDictionary> Find(uint32_t id) const;
};

// Reads the configuration text. Lines that are not understood are skipped and reported in problems
// ("line 3: ..."); they never stop the rest from being read.
Config ParseConfig(std::string_view text);

// A number in decimal or 0x-hexadecimal that fits 32 bits; nothing otherwise.
std::optional<uint32_t> ParseId(std::string_view text);

} // namespace tavrin::dict
