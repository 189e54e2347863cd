#include "app/DialogText.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace
{

locale_t CLocale()
{
    static const locale_t kLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return kLocale;
}

// Switches this thread to the C locale for the lifetime of the object.
class ScopedCLocale
{
  public:
    ScopedCLocale() : m_previous(uselocale(CLocale())) {}
    ~ScopedCLocale() { uselocale(m_previous); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

  private:
    locale_t m_previous;
};

} // namespace

int ReadIntText(const std::string& text)
{
    ScopedCLocale c;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

double ReadDoubleText(const std::string& text)
{
    ScopedCLocale c;
    return std::strtod(text.c_str(), nullptr);
}

std::string FormatFixed(double value, int decimals)
{
    ScopedCLocale c;
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    std::string out(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%.*f", decimals, value);
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string FormatUnsigned(uint32_t value)
{
    return std::to_string(value);
}
