#include "model/options_input.h"

#include <charconv>
#include <cstdio>

#include "base/text.h"

namespace orv {

namespace {

// The text without surrounding blanks and one leading '+', as number fields read it.
std::string_view NumberText(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    return text;
}

template <class T>
bool ParseNumber(std::string_view text, T& value)
{
    text = NumberText(text);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace

std::string FrameRateRangeMessage()
{
    return "Enter a whole number between " + std::to_string(kFrameRateRange.min) + " and " +
           std::to_string(kFrameRateRange.max) + " for the frame rate.";
}

std::string VertexSizeRangeMessage()
{
    char text[96];
    std::snprintf(text, sizeof text, "Enter a number between %g and %g for the vertex size.",
                  static_cast<double>(kVertexScalingRange.min), static_cast<double>(kVertexScalingRange.max));
    return text;
}

std::variant<OptionsNumbers, OptionsRefusal> ReadOptionsNumbers(std::string_view frameRate, std::string_view vertexSize)
{
    OptionsNumbers n;
    if (!ParseNumber(frameRate, n.frameRate) || !kFrameRateRange.Holds(n.frameRate))
        return OptionsRefusal{OptionsRefusal::Field::FrameRate, FrameRateRangeMessage()};
    double size = 0;
    if (!ParseNumber(vertexSize, size) || !kVertexScalingRange.Holds(n.vertexScaling = static_cast<float>(size)))
        return OptionsRefusal{OptionsRefusal::Field::VertexSize, VertexSizeRangeMessage()};
    return n;
}

bool TakeColorMapAndResources(Settings& s, std::string_view colorMap, std::vector<std::string> resources)
{
    bool changed = resources != s.resources;
    s.resources = std::move(resources);
    if (!colorMap.empty() && !EqualNoCase(colorMap, s.colorMap)) {
        s.colorMap = std::string(colorMap);
        changed = true;
    }
    return changed;
}

int BackupMinutesWhenToggled(bool on, int minutes)
{
    if (!on)
        return 0;
    return minutes == 0 ? 10 : minutes;
}

}  // namespace orv
