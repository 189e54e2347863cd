// libomp 14 reads, in the tool callbacks of `omp critical`, the data of the
// first thread that used OpenMP; once that thread has ended, the next
// critical section crashes the runtime. make tsan loads such a tool (Archer),
// and these tests start workers that may be the first to use OpenMP and then
// end: the main thread starts the runtime before any test runs.
#include <omp.h>

namespace
{

[[maybe_unused]] const int g_nOpenMpThreads = omp_get_max_threads();

} // namespace
