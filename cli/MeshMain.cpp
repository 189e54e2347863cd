// volume-planner-mesh: reads one mesh file (OBJ or glTF 2.0) and writes its
// triangles to standard output in the form of project/MeshTransfer.h. The
// program and the window run it for every mesh they read, under limits they
// give it and watch (project/MeshReader.h), so that whatever the importer
// does with a hostile file stays in this process.
#include "project/MeshImport.h"
#include "project/MeshTransfer.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>

namespace
{

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// Any allocation the address space limit refuses ends the reading with its
// own status, whoever asked for it.
[[noreturn]] void OutOfMemory()
{
    _exit(kMeshExitMemory);
}

bool ParseCount(const char* text, unsigned long long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && text[0] != '-';
}

void Limit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long long addressSpace = 0, cpuSeconds = 0;
    int i = 1;
    bool usable = true;
    while (usable && i < argc && argv[i][0] == '-' && std::strcmp(argv[i], "--") != 0) {
        const bool isSpace = std::strcmp(argv[i], "--address-space") == 0;
        const bool isCpu = std::strcmp(argv[i], "--cpu-seconds") == 0;
        usable = (isSpace || isCpu) && i + 1 < argc && ParseCount(argv[i + 1], isSpace ? addressSpace : cpuSeconds);
        i += 2;
    }
    if (usable && i < argc && std::strcmp(argv[i], "--") == 0)
        ++i;
    if (!usable || i + 1 != argc) {
        std::cerr << "usage: volume-planner-mesh [--address-space BYTES] [--cpu-seconds N] [--] FILE\n"
                     "Reads an OBJ or glTF 2.0 mesh and writes its triangles to standard output.\n";
        return kMeshExitUsage;
    }
    // Gone with the program that asked, rather than reading on for nobody.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::set_new_handler(OutOfMemory);
    // The address sanitizer reserves far more address space than any limit
    // leaves; its builds read without one.
    if (addressSpace != 0 && !kAddressSanitizer)
        Limit(RLIMIT_AS, static_cast<rlim_t>(addressSpace));
    if (cpuSeconds != 0)
        Limit(RLIMIT_CPU, static_cast<rlim_t>(cpuSeconds));

    try {
        const auto read = ImportMeshFile(argv[i]);
        if (const auto* reason = std::get_if<std::string>(&read))
            return WriteMeshRefusal(STDOUT_FILENO, *reason) ? kMeshExitRefused : kMeshExitUsage;
        return WriteMeshTriangles(STDOUT_FILENO, std::get<ImportedMesh>(read).coordinates) ? kMeshExitDone
                                                                                           : kMeshExitUsage;
    } catch (const std::exception& error) {
        return WriteMeshRefusal(STDOUT_FILENO, std::string("the importer failed: ") + error.what()) ? kMeshExitRefused
                                                                                                    : kMeshExitUsage;
    }
}
