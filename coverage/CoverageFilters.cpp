#include "coverage/CoverageFilters.h"

#include "coverage/CoverageVolume.h"

#include <string>

namespace
{

// Both rounded sides are held as float, so that "==" 0.71 matches the
// values that round to 0.71 and a bound compares with the float nearest it.
float Rounded(float v)
{
    return static_cast<float>(RoundTo(v, 2, 10));
}

} // namespace

CResolutionFilter::CResolutionFilter(const CoverageFilters& filters)
{
    const std::string op1 = ComparisonOpText(filters.resOperator1);
    const std::string op2 = ComparisonOpText(filters.resOperator2);
    const float b1 = filters.resBound1;
    const float b2 = filters.resBound2;
    if (op1 == "==") {
        m_kind = Kind::Equal;
        m_upper = Rounded(b1);
    } else if ((op1 == "<" || op1 == "<=") && b1 >= b2 && (op2 == ">" || op2 == ">=")) {
        m_kind = Kind::Range;
        m_upperStrict = op1 == "<";
        m_lowerStrict = op2 == ">";
        m_upper = Rounded(b1);
        m_lower = Rounded(b2);
    } else if ((op1 == ">" || op1 == ">=") && b2 >= b1 && (op2 == "<" || op2 == "<=")) {
        m_kind = Kind::Range;
        m_lowerStrict = op1 == ">";
        m_upperStrict = op2 == "<";
        m_lower = Rounded(b1);
        m_upper = Rounded(b2);
    }
}

bool CResolutionFilter::Passes(float r) const
{
    switch (m_kind) {
    case Kind::Equal:
        return Rounded(r) == m_upper;
    case Kind::Range:
        if (!(m_lowerStrict ? r > m_lower : r >= m_lower))
            return false;
        return m_upperStrict ? Rounded(r) < m_upper : Rounded(r) <= m_upper;
    case Kind::Nothing:
        break;
    }
    return false;
}
