// The previous point of a mouse drag, shared by the camera's right-button drag and the
// texture drag: each move reports the motion since the move before it.
#pragma once

#include <cstdint>
#include <optional>

namespace orv {

struct DragStep {
    float dx = 0.0f;       // previous x - x
    float dy = 0.0f;       // previous y - y
    bool started = false;  // the first move of the drag (it takes the point, dx = dy = 0)
};

class DragTracker {
public:
    // A mouse move at (x, y): while the drag's condition holds (its button is down), the
    // step since the previous move; a move without it ends the drag and gives nothing.
    std::optional<DragStep> Move(bool held, int32_t x, int32_t y)
    {
        if (!held) {
            last_.reset();
            return std::nullopt;
        }
        DragStep step;
        step.started = !last_;
        if (last_) {
            step.dx = static_cast<float>(int64_t{last_->x} - x);
            step.dy = static_cast<float>(int64_t{last_->y} - y);
        }
        last_ = Point{x, y};
        return step;
    }

private:
    struct Point {
        int32_t x;
        int32_t y;
    };
    std::optional<Point> last_;
};

}  // namespace orv
