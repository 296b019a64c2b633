#include "model/settings.h"

#include <charconv>
#include <cmath>

namespace orv {

const std::vector<SettingField>& SettingFields()
{
    using K = SettingField::Kind;
    auto color = [](const char* key, uint32_t Settings::*m) { return SettingField{key, K::Color, nullptr, m}; };
    auto integer = [](const char* key, int32_t Settings::*m) { return SettingField{key, K::Integer, m}; };
    auto real = [](const char* key, float Settings::*m) {
        return SettingField{key, K::FloatText, nullptr, nullptr, m};
    };
    static const std::vector<SettingField> fields = {
        color("ColorCoorX", &Settings::colorCoorX),
        color("ColorCoorY", &Settings::colorCoorY),
        color("ColorCoorZ", &Settings::colorCoorZ),
        color("ColorGrid", &Settings::colorGrid),
        color("ColorSelect", &Settings::colorSelect),
        color("ColorLink", &Settings::colorLink),
        color("ColorUnlink", &Settings::colorUnlink),
        color("ColorBackground", &Settings::colorBackground),
        color("ColorWireframe", &Settings::colorWireframe),
        integer("RenderMode", &Settings::renderMode),
        integer("Warning", &Settings::warning),
        SettingField{"ColorMap", K::Text, nullptr, nullptr, nullptr, &Settings::colorMap},
        real("VertexScaling", &Settings::vertexScaling),
        real("Grid", &Settings::grid),
        integer("Texture Mapping", &Settings::textureMapping),
        integer("Device", &Settings::device),
        integer("Texture Dithering", &Settings::textureDithering),
        integer("FrameRate", &Settings::frameRate),
        integer("StretchMode", &Settings::stretchMode),
        integer("Maximized", &Settings::maximized),
        integer("Left", &Settings::left),
        integer("Top", &Settings::top),
        integer("Right", &Settings::right),
        integer("Bottom", &Settings::bottom),
        integer("Shaded", &Settings::shaded),
        integer("Backup", &Settings::backup),
        SettingField{"Resources", K::TextList, nullptr, nullptr, nullptr, nullptr, &Settings::resources},
        integer("ExtrudeOut", &Settings::extrudeOut),
    };
    return fields;
}

template <class T>
T SettingRange<T>::StepUp(T v, T step) const
{
    const T next = v + step;
    return Clamp(next > max - step / 4 ? max : next);
}

template <class T>
T SettingRange<T>::StepDown(T v, T step) const
{
    const T next = v - step;
    return Clamp(next < min + step / 4 ? min : next);
}

template struct SettingRange<int32_t>;
template struct SettingRange<float>;

// Independent of the process locale (a desktop session may use a decimal comma), so
// the stored text is always "%f" as the C locale writes it.
std::string FormatFloatSetting(float v)
{
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

float ParseFloatSetting(const std::string& text, float fallback)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    double d = 0.0;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), d);
    if (r.ec != std::errc() || !std::isfinite(d))
        return fallback;
    return static_cast<float>(d);
}

}  // namespace orv
