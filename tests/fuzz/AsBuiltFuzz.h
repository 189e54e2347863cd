#pragma once

// What every as-built reader promises: a rig with cameras and no message, or
// no rig and a message; a rig read can be planned or is refused with one.
#include "FuzzFile.h"

#include "cameras/asbuilt/AsBuiltPlacement.h"

#include <cstdlib>
#include <string_view>
#include <utility>

inline void CheckAsBuiltRead(const AsBuiltReadResult& read)
{
    if (read.rig.has_value() == !read.error.empty())
        std::abort();
    if (!read.rig)
        return;
    if (read.rig->cameras.empty())
        std::abort();
    const AsBuiltPlanResult plan = PlanAsBuilt(*read.rig, {});
    if (plan.plan.has_value() == !plan.error.empty())
        std::abort();
    if (plan.plan && plan.plan->cameras.size() != read.rig->cameras.size())
        std::abort();
}

// A pair of files from one input: the text before the first line "====" and
// the text after it (both the whole input without one).
inline std::pair<std::string, std::string> FuzzFilePair(const uint8_t* data, size_t size, const std::string& first,
                                                        const std::string& second)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t cut = text.find("\n====\n");
    const std::string_view a = cut == std::string_view::npos ? text : text.substr(0, cut);
    const std::string_view b = cut == std::string_view::npos ? text : text.substr(cut + 6);
    return {FuzzFile(reinterpret_cast<const uint8_t*>(a.data()), a.size(), first),
            FuzzFile(reinterpret_cast<const uint8_t*>(b.data()), b.size(), second)};
}
