#pragma once

// Stands in for the OpenMP runtime's header in a build with VP_OPENMP=OFF,
// where the pragmas are ignored and every pass runs on the calling thread:
// a team of one.
inline int omp_get_max_threads()
{
    return 1;
}
inline int omp_get_num_procs()
{
    return 1;
}
inline int omp_get_thread_num()
{
    return 0;
}
inline void omp_set_num_threads(int) {}
