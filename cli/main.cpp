#include <cstdio>

int main()
{
    std::puts("volume-planner-cli");
    return 0;
}
