// A project file is read whole or refused with a reason; one that is read
// writes a text that reads back to itself, byte for byte.
#include "project/ProjectFile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ProjectReadResult read = ParseProject(std::string(reinterpret_cast<const char*>(data), size));
    if (!read.plan) {
        if (read.error.empty())
            std::abort();
        return 0;
    }
    const std::string text = ProjectText(*read.plan);
    const ProjectReadResult again = ParseProject(text);
    if (!again.plan || ProjectText(*again.plan) != text)
        std::abort();
    return 0;
}
