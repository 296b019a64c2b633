// The Options sheet's rules without the sheet: which typed numbers it takes, what it says
// of the others, and when its choices need the textures made again.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/settings.h"

namespace orv {

// "Enter a whole number between 1 and 100 for the frame rate."
std::string FrameRateRangeMessage();
// "Enter a number between 0.00125 and 0.1 for the vertex size."
std::string VertexSizeRangeMessage();

struct OptionsNumbers {
    int32_t frameRate = 0;
    float vertexScaling = 0;
};

struct OptionsRefusal {
    enum class Field { FrameRate, VertexSize };
    Field field;
    std::string message;
};

// The frame rate and vertex size as typed (blanks around them ignored): the frame rate a
// whole number, the vertex size checked as the float it is stored as, so that the
// commands' steps, which end on the range's float ends, and the sheet agree. The first
// field that is no number in its range is refused with its message.
std::variant<OptionsNumbers, OptionsRefusal> ReadOptionsNumbers(std::string_view frameRate,
                                                                std::string_view vertexSize);

// Takes the sheet's colormap (empty: none chosen, the stored one stays; a name that
// differs only in case is the same file and leaves the stored one) and resource list;
// true when either differs from before, so that the textures must be made again.
bool TakeColorMapAndResources(Settings& s, std::string_view colorMap, std::vector<std::string> resources);

// The minutes the backup field shows once its box is checked (10 when it showed none) or
// unchecked (none).
int BackupMinutesWhenToggled(bool on, int minutes);

}  // namespace orv
