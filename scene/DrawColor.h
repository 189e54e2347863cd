#pragma once

#include <cstdint>

// The process-wide current drawing colour. Every preset overwrites it and
// returns the address of its three contiguous doubles, ready for glColor3dv;
// use the result before calling the next preset.
class DrawColor
{
  public:
    const double* White();
    const double* Black();
    const double* Red();
    const double* Green();
    const double* Blue();
    const double* Yellow();
    const double* Cyan();
    const double* DarkViolet();
    const double* Indigo();
    const double* Orange();
    const double* Grey();
    const double* Brown();
    const double* AliceBlue();
    const double* RosyBrown();
    const double* Chocolate();

    // Recomputes the doubles from the bytes.
    const double* FromBytes();

    uint8_t Byte(int channel) const { return channel == 0 ? m_byRed : channel == 1 ? m_byGreen : m_byBlue; }
    const double* Rgb() const { return m_dRgb; }
    double Alpha() const { return m_dAlpha; }

  private:
    const double* SetDoubles(double r, double g, double b);
    const double* SetBytes(uint8_t r, uint8_t g, uint8_t b);

    uint8_t m_byRed = 255;
    uint8_t m_byGreen = 255;
    uint8_t m_byBlue = 255;
    double m_dRgb[3] = {1.0, 1.0, 1.0};
    double m_dAlpha = 1.0;
};

// The fifteen presets by name, for code that decides a colour now and draws later.
enum class ColorName : uint8_t {
    White,
    Black,
    Red,
    Green,
    Blue,
    Yellow,
    Cyan,
    DarkViolet,
    Indigo,
    Orange,
    Grey,
    Brown,
    AliceBlue,
    RosyBrown,
    Chocolate
};

// Applies the named preset to the drawing colour and returns its doubles.
const double* ApplyColor(DrawColor& color, ColorName name);

void CreateDrawColor();
DrawColor* GetDrawColor();
void DestroyDrawColor();
