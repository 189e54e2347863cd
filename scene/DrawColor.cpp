#include "scene/DrawColor.h"

#include <memory>

namespace
{
std::unique_ptr<DrawColor> g_pDrawColor;
// The double nearest to 1/255.
constexpr double kPerByte = 0.00392156862745098;
} // namespace

const double* DrawColor::SetDoubles(double r, double g, double b)
{
    m_dRgb[0] = r;
    m_dRgb[1] = g;
    m_dRgb[2] = b;
    return m_dRgb;
}

const double* DrawColor::SetBytes(uint8_t r, uint8_t g, uint8_t b)
{
    m_byRed = r;
    m_byGreen = g;
    m_byBlue = b;
    return FromBytes();
}

const double* DrawColor::FromBytes()
{
    // 1 - (255 - b) * k keeps a byte of 255 at exactly 1.0.
    m_dRgb[0] = 1.0 - (255 - m_byRed) * kPerByte;
    m_dRgb[1] = 1.0 - (255 - m_byGreen) * kPerByte;
    m_dRgb[2] = 1.0 - (255 - m_byBlue) * kPerByte;
    return m_dRgb;
}

const double* DrawColor::White()
{
    return SetDoubles(1, 1, 1);
}
const double* DrawColor::Black()
{
    return SetDoubles(0, 0, 0);
}
const double* DrawColor::Red()
{
    return SetDoubles(1, 0, 0);
}
const double* DrawColor::Green()
{
    return SetDoubles(0, 1, 0);
}
const double* DrawColor::Blue()
{
    return SetDoubles(0, 0, 1);
}
const double* DrawColor::Yellow()
{
    return SetDoubles(1, 1, 0);
}
const double* DrawColor::Cyan()
{
    return SetDoubles(0, 1, 1);
}
const double* DrawColor::DarkViolet()
{
    return SetBytes(148, 0, 211);
}
const double* DrawColor::Indigo()
{
    return SetBytes(75, 0, 130);
}
const double* DrawColor::Orange()
{
    return SetBytes(255, 165, 0);
}
const double* DrawColor::Grey()
{
    return SetBytes(190, 190, 190);
}
const double* DrawColor::Brown()
{
    return SetBytes(165, 42, 42);
}
const double* DrawColor::AliceBlue()
{
    return SetBytes(240, 248, 255);
}
const double* DrawColor::RosyBrown()
{
    return SetBytes(188, 143, 143);
}
const double* DrawColor::Chocolate()
{
    return SetBytes(210, 105, 30);
}

const double* ApplyColor(DrawColor& color, ColorName name)
{
    switch (name) {
    case ColorName::White:
        return color.White();
    case ColorName::Black:
        return color.Black();
    case ColorName::Red:
        return color.Red();
    case ColorName::Green:
        return color.Green();
    case ColorName::Blue:
        return color.Blue();
    case ColorName::Yellow:
        return color.Yellow();
    case ColorName::Cyan:
        return color.Cyan();
    case ColorName::DarkViolet:
        return color.DarkViolet();
    case ColorName::Indigo:
        return color.Indigo();
    case ColorName::Orange:
        return color.Orange();
    case ColorName::Grey:
        return color.Grey();
    case ColorName::Brown:
        return color.Brown();
    case ColorName::AliceBlue:
        return color.AliceBlue();
    case ColorName::RosyBrown:
        return color.RosyBrown();
    case ColorName::Chocolate:
        return color.Chocolate();
    }
    return color.Rgb();
}

void CreateDrawColor()
{
    if (!g_pDrawColor)
        g_pDrawColor = std::make_unique<DrawColor>();
}

DrawColor* GetDrawColor()
{
    return g_pDrawColor.get();
}

void DestroyDrawColor()
{
    g_pDrawColor.reset();
}
