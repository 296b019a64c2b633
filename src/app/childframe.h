#pragma once

#include <QWidget>

namespace orv {

// The frame of one document window: the property panes beside the 3D view.
class CChildFrame : public QWidget {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr) : QWidget(parent) {}
};

}  // namespace orv
