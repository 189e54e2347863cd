#pragma once

#include <cstdint>

// What asks for a computation and in which mode: the flags a frame acts on
// and clears once served. The classic window holds them in its scene
// settings; a plan document holds its own.
class ComputationFlags
{
  public:
    bool GetRecalculate() const { return m_bRecalculate; }
    void SetRecalculate(bool b)
    {
        m_bRecalculate = b;
        m_nComputationRequests += b ? 1 : 0;
    }
    bool GetTestDataPending() const { return m_bTestDataPending; }
    void SetTestDataPending(bool b)
    {
        m_bTestDataPending = b;
        m_nComputationRequests += b ? 1 : 0;
    }
    // Counts the requests of either flag: a computation in the background
    // tells by it that it was asked for again while it ran.
    uint64_t GetComputationRequests() const { return m_nComputationRequests; }
    bool GetTestMode() const { return m_bTestMode; }
    void SetTestMode(bool b) { m_bTestMode = b; }

  private:
    bool m_bRecalculate = false;
    bool m_bTestDataPending = false;
    bool m_bTestMode = false;
    uint64_t m_nComputationRequests = 0;
};
