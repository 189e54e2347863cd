#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// The readers take a path: each input is written to one scratch file of
// this process, replaced for every run; readers of a pair of files take
// two, told apart by the ending.
inline std::string FuzzFile(const uint8_t* data, size_t size, const std::string& ending = ".txt")
{
    const std::string path = "/tmp/vp-fuzz-" + std::to_string(getpid()) + ending;
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}
